#include "platform/drive_map.h"

#include "platform/ascii.h"

namespace kvx {

namespace {

// Splits "PATH@N" (N one digit from 1 to 4) into its path and partition; any
// other text is a path of its own, "@" and all.
VolumeLocation ParseLocation(const std::string& text) {
  std::size_t at = text.size() >= 3 ? text.size() - 2 : std::string::npos;
  if (at != std::string::npos && text[at] == '@' && text[at + 1] >= '1' && text[at + 1] <= '4') {
    return {text.substr(0, at), text[at + 1] - '0'};
  }
  return {text, 0};
}

}  // namespace

std::string LocationText(const VolumeLocation& location) {
  if (location.partition == 0) return location.path;
  return location.path + "@" + std::to_string(location.partition);
}

std::optional<std::string> DriveMap::Add(const std::string& option) {
  if (option.size() < 3 || !IsAsciiLetter(option[0]) || option[1] != '=') {
    return "--drive expects L=PATH or L=PATH@N, a drive letter A-Z, a path and a partition 1-4, "
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
