#include "platform/drive_map.h"

#include "platform/ascii.h"

namespace kvx {

std::optional<std::string> DriveMap::Add(const std::string& option) {
  if (option.size() < 3 || !IsAsciiLetter(option[0]) || option[1] != '=') {
    return "--drive expects L=PATH, a drive letter A-Z and a path, not \"" + option + "\"";
  }
  paths_[UpperAscii(option[0])] = option.substr(2);
  return std::nullopt;
}

std::optional<std::string> DriveMap::PathOf(const std::string& letter) const {
  if (letter.size() != 1) return std::nullopt;
  auto it = paths_.find(UpperAscii(letter[0]));
  if (it == paths_.end()) return std::nullopt;
  return it->second;
}

}  // namespace kvx
