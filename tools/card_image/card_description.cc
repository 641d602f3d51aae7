#include "tools/card_image/card_description.h"

#include <map>
#include <sstream>
#include <vector>

namespace kvx {

namespace {

std::optional<std::int64_t> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::int64_t scale = 1;
  std::string digits = text;
  switch (digits.back()) {
    case 'K': scale = 1024; break;
    case 'M': scale = 1024 * 1024; break;
    case 'G': scale = 1024 * 1024 * 1024; break;
    default: break;
  }
  if (scale != 1) digits.pop_back();
  try {
    std::size_t used = 0;
    long long value = std::stoll(digits, &used, 0);
    if (used != digits.size()) return std::nullopt;
    return value * scale;
  } catch (...) {
    return std::nullopt;
  }
}

struct Instruction {
  std::vector<std::string> words;            // the words that are not key=value
  std::map<std::string, std::string> keys;   // key=value words

  std::optional<std::int64_t> Number(const std::string& key) const {
    auto it = keys.find(key);
    return it == keys.end() ? std::nullopt : ParseNumber(it->second);
  }
  bool Has(const std::string& word) const {
    for (const auto& w : words) {
      if (w == word) return true;
    }
    return false;
  }
};

Instruction Split(const std::string& line) {
  Instruction instruction;
  std::istringstream in(line.substr(0, line.find('#')));
  for (std::string word; in >> word;) {
    auto eq = word.find('=');
    if (eq == std::string::npos) {
      instruction.words.push_back(word);
    } else {
      instruction.keys[word.substr(0, eq)] = word.substr(eq + 1);
    }
  }
  return instruction;
}

}  // namespace

std::optional<CardImage> BuildCardImage(std::istream& description, std::string& error) {
  std::optional<CardImage> image;
  CardImage::Layout layout = CardImage::Layout::kG2;
  int line_number = 0;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(line_number) + ": " + why;
    return std::nullopt;
  };
  // The length must be known before the image exists; gather the lines first.
  std::vector<std::pair<int, Instruction>> lines;
  std::int64_t length = 8 * 1024 * 1024;
  for (std::string line; std::getline(description, line);) {
    ++line_number;
    Instruction instruction = Split(line);
    if (instruction.words.empty()) continue;
    const std::string& verb = instruction.words[0];
    if (verb == "layout" && instruction.words.size() == 2) {
      if (instruction.words[1] == "1G") {
        layout = CardImage::Layout::kG1;
      } else if (instruction.words[1] == "2G") {
        layout = CardImage::Layout::kG2;
      } else {
        return fail("layout is 1G or 2G");
      }
    } else if (verb == "length" && instruction.words.size() == 2) {
      auto value = ParseNumber(instruction.words[1]);
      if (!value || *value < 0) return fail("bad length");
      length = *value;
    } else {
      lines.emplace_back(line_number, instruction);
    }
  }
  image.emplace(layout, length);

  for (const auto& [number, instruction] : lines) {
    line_number = number;
    const auto& words = instruction.words;
    const std::string& verb = words[0];
    auto arg = [&](std::size_t i) { return i < words.size() ? ParseNumber(words[i]) : std::nullopt; };
    if (verb == "signature" && words.size() == 2) {
      image->SetSignature(words[1]);
    } else if (verb == "fats" && arg(1)) {
      image->SetFatCount(static_cast<int>(*arg(1)));
    } else if (verb == "sectors-per-cluster" && arg(1)) {
      image->SetSectorsPerCluster(static_cast<int>(*arg(1)));
    } else if (verb == "root-entries" && arg(1)) {
      image->SetRootEntryCount(static_cast<int>(*arg(1)));
    } else if (verb == "sectors-per-fat" && arg(1)) {
      image->SetSectorsPerFat(static_cast<int>(*arg(1)));
    } else if (verb == "marker" && words.size() == 2) {
      if (words[1] == "no") {
        image->SetMarker(false);
      } else {
        image->SetMarker(true, words[1] == "deleted" ? 0xE5 : 'H');
      }
    } else if ((verb == "file" || verb == "entry") && words.size() >= 2 &&
               instruction.Number("cluster")) {
      std::int64_t cluster = *instruction.Number("cluster");
      auto body = instruction.Number("body");
      auto size = instruction.Number("size");
      if (verb == "file" && !body) return fail("file needs body=N");
      if (verb == "entry" && !size) return fail("entry needs size=N");
      auto seed = static_cast<std::uint8_t>(instruction.Number("seed").value_or(number));
      std::int64_t length_on_card =
          verb == "file" ? image->PlaceFile(image->ClusterOffset(cluster),
                                            static_cast<std::uint32_t>(*body), seed)
                         : 0;
      image->AddEntry(words[1], cluster, static_cast<std::uint32_t>(size.value_or(length_on_card)),
                      instruction.Has("deleted"));
    } else if ((verb == "orphan" || verb == "header") && arg(1) && instruction.Number("body")) {
      auto body = static_cast<std::uint32_t>(*instruction.Number("body"));
      auto seed = static_cast<std::uint8_t>(instruction.Number("seed").value_or(number));
      if (verb == "orphan") {
        image->PlaceFile(*arg(1), body, seed);
      } else {
        image->PlaceHeader(*arg(1), body, seed);
      }
    } else if (verb == "byte" && arg(1) && arg(2)) {
      image->SetByte(*arg(1), static_cast<std::uint8_t>(*arg(2)));
    } else {
      return fail("cannot read \"" + verb + "\" here");
    }
  }
  return image;
}

}  // namespace kvx
