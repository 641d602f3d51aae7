#include "platform/drive_map.h"

#include "platform/ascii.h"

namespace kvx {

namespace {

// Splits "PATH@N" (N a partition number, no leading zeros) into its path and
// partition; any other text is a path of its own, "@" and all.
VolumeLocation ParseLocation(const std::string& text) {
  std::size_t at = text.rfind('@');
  if (at == std::string::npos || at == 0 || at + 1 == text.size() || text[at + 1] == '0' ||
      text.size() - at - 1 > std::to_string(kMaxPartitionNumber).size()) {
    return {text, 0};
  }
  int number = 0;
  for (char c : text.substr(at + 1)) {
    if (c < '0' || c > '9') return {text, 0};
    number = 10 * number + (c - '0');
  }
  if (number > kMaxPartitionNumber) return {text, 0};
  return {text.substr(0, at), number};
}

}  // namespace

std::string LocationText(const VolumeLocation& location) {
  if (location.partition == 0) return location.path;
  return location.path + "@" + std::to_string(location.partition);
}

std::optional<std::string> DriveMap::Add(const std::string& option) {
  if (option.size() < 3 || !IsAsciiLetter(option[0]) || option[1] != '=') {
    return "--drive expects L=PATH or L=PATH@N, a drive letter A-Z, a path and a partition 1-" +
           std::to_string(kMaxPartitionNumber) +
           ", "
           "not \"" +
           option + "\"";
  }
  Set(option[0], ParseLocation(option.substr(2)));
  return std::nullopt;
}

void DriveMap::Set(char letter, VolumeLocation location) {
  locations_[UpperAscii(letter)] = std::move(location);
}

std::optional<VolumeLocation> DriveMap::LocationOf(const std::string& letter) const {
  if (letter.size() != 1) return std::nullopt;
  auto it = locations_.find(UpperAscii(letter[0]));
  if (it == locations_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> DriveMap::PathOf(const std::string& letter) const {
  std::optional<VolumeLocation> location = LocationOf(letter);
  if (!location) return std::nullopt;
  return location->path;
}

std::vector<std::string> DriveMap::Descriptions() const {
  std::vector<std::string> lines;
  for (const auto& [letter, location] : locations_) {
    lines.push_back(std::string(1, letter) + ": " + LocationText(location));
  }
  return lines;
}

std::string LetterNamesNoCard(const std::string& letter) {
  return "letter " + letter + " names no card: start with --drive " + letter + "=PATH";
}

}  // namespace kvx
