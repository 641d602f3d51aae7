#include "tools/card_image/card_description.h"

#include <map>
#include <sstream>
#include <utility>
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

// The description with the layout and the length taken out, which must be
// known before the image exists; the other instructions by line number.
struct Description {
  CardImage::Layout layout = CardImage::Layout::kG2;
  std::int64_t length = 8 * 1024 * 1024;
  std::vector<std::pair<int, Instruction>> lines;
};

std::string AtLine(int line_number, const std::string& why) {
  return "line " + std::to_string(line_number) + ": " + why;
}

std::string CannotRead(const std::string& verb) { return "cannot read \"" + verb + "\" here"; }

std::optional<Description> ReadDescription(std::istream& in, std::string& error) {
  Description description;
  int line_number = 0;
  for (std::string line; std::getline(in, line);) {
    ++line_number;
    Instruction instruction = Split(line);
    if (instruction.words.empty()) continue;
    const auto& words = instruction.words;
    if (words[0] == "layout" && words.size() == 2) {
      if (words[1] != "1G" && words[1] != "2G") {
        error = AtLine(line_number, "layout is 1G or 2G");
        return std::nullopt;
      }
      description.layout = words[1] == "1G" ? CardImage::Layout::kG1 : CardImage::Layout::kG2;
    } else if (words[0] == "length" && words.size() == 2) {
      auto value = ParseNumber(words[1]);
      if (!value || *value < 0) {
        error = AtLine(line_number, "bad length");
        return std::nullopt;
      }
      description.length = *value;
    } else {
      description.lines.emplace_back(line_number, std::move(instruction));
    }
  }
  return description;
}

// "file" and "entry": a directory entry, and for "file" a KVX file at its
// cluster. Returns why it cannot be done, or an empty string.
std::string AddFileOrEntry(const Instruction& instruction, int line_number, CardImage& image) {
  const auto& words = instruction.words;
  const std::string& verb = words[0];
  auto cluster = instruction.Number("cluster");
  if (words.size() < 2 || !cluster) return CannotRead(verb);
  auto body = instruction.Number("body");
  auto size = instruction.Number("size");
  if (verb == "file" && !body) return "file needs body=N";
  if (verb == "entry" && !size) return "entry needs size=N";
  auto seed = static_cast<std::uint8_t>(instruction.Number("seed").value_or(line_number));
  std::int64_t length_on_card =
      verb == "file"
          ? image.PlaceFile(image.ClusterOffset(*cluster), static_cast<std::uint32_t>(*body), seed)
          : 0;
  image.AddEntry(words[1], *cluster, static_cast<std::uint32_t>(size.value_or(length_on_card)),
                 instruction.Has("deleted"));
  return "";
}

// "orphan" and "header": a KVX file, or its header alone, at an offset.
std::string PlaceLooseFile(const Instruction& instruction, int line_number, CardImage& image) {
  const auto& words = instruction.words;
  if (words.size() < 2) return CannotRead(words[0]);
  auto offset = ParseNumber(words[1]);
  auto body = instruction.Number("body");
  if (!offset || !body) return CannotRead(words[0]);
  auto seed = static_cast<std::uint8_t>(instruction.Number("seed").value_or(line_number));
  if (words[0] == "orphan") {
    image.PlaceFile(*offset, static_cast<std::uint32_t>(*body), seed);
  } else {
    image.PlaceHeader(*offset, static_cast<std::uint32_t>(*body), seed);
  }
  return "";
}

// Boot-sector fields, the marker and single bytes; false when the
// instruction is none of them or lacks its value.
bool ApplySetting(const Instruction& instruction, CardImage& image) {
  const auto& words = instruction.words;
  const std::string& verb = words[0];
  auto arg = [&](std::size_t i) { return i < words.size() ? ParseNumber(words[i]) : std::nullopt; };
  if (verb == "signature" && words.size() == 2) {
    image.SetSignature(words[1]);
  } else if (verb == "fats" && arg(1)) {
    image.SetFatCount(static_cast<int>(*arg(1)));
  } else if (verb == "sectors-per-cluster" && arg(1)) {
    image.SetSectorsPerCluster(static_cast<int>(*arg(1)));
  } else if (verb == "root-entries" && arg(1)) {
    image.SetRootEntryCount(static_cast<int>(*arg(1)));
  } else if (verb == "sectors-per-fat" && arg(1)) {
    image.SetSectorsPerFat(static_cast<int>(*arg(1)));
  } else if (verb == "marker" && words.size() == 2) {
    if (words[1] == "no") {
      image.SetMarker(false);
    } else {
      image.SetMarker(true, words[1] == "deleted" ? 0xE5 : 'H');
    }
  } else if (verb == "byte" && arg(1) && arg(2)) {
    image.SetByte(*arg(1), static_cast<std::uint8_t>(*arg(2)));
  } else {
    return false;
  }
  return true;
}

std::string Apply(const Instruction& instruction, int line_number, CardImage& image) {
  const std::string& verb = instruction.words[0];
  if (verb == "file" || verb == "entry") return AddFileOrEntry(instruction, line_number, image);
  if (verb == "orphan" || verb == "header") return PlaceLooseFile(instruction, line_number, image);
  return ApplySetting(instruction, image) ? "" : CannotRead(verb);
}

}  // namespace

std::optional<CardImage> BuildCardImage(std::istream& description, std::string& error) {
  std::optional<Description> read = ReadDescription(description, error);
  if (!read) return std::nullopt;
  CardImage image(read->layout, read->length);
  for (const auto& [line_number, instruction] : read->lines) {
    std::string why = Apply(instruction, line_number, image);
    if (!why.empty()) {
      error = AtLine(line_number, why);
      return std::nullopt;
    }
  }
  return image;
}

}  // namespace kvx
