// Which block device or card image stands for which drive letter, on systems
// without drive letters. Built from "--drive L=PATH" options.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace kvx {

class DriveMap {
 public:
  // Adds one "L=PATH" mapping (the letter A-Z in either case, a non-empty
  // path). Returns an error message for a malformed one, nullopt on success.
  // A later mapping of the same letter replaces the earlier one.
  std::optional<std::string> Add(const std::string& option);

  // The path mapped to `letter`, or nullopt when the letter has no mapping.
  std::optional<std::string> PathOf(const std::string& letter) const;

 private:
  std::map<char, std::string> paths_;
};

}  // namespace kvx
