// Which block device or card image stands for which drive letter, on systems
// without drive letters, and on any system for card images. Built from
// "--drive L=PATH" and "--drive L=PATH@N" options.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/volume_location.h"

namespace kvx {

class DriveMap {
 public:
  // Adds one "L=PATH" or "L=PATH@N" mapping (the letter A-Z in either case, a
  // non-empty path; N from 1 to kMaxPartitionNumber, without leading zeros,
  // names that partition of the path's tables).
  // Returns an error message for a malformed one, nullopt on success. A later
  // mapping of the same letter replaces the earlier one.
  std::optional<std::string> Add(const std::string& option);

  // Maps `letter` (A-Z, either case) to `location`, replacing any mapping.
  void Set(char letter, VolumeLocation location);

  // Where `letter` leads, or nullopt when the letter has no mapping.
  std::optional<VolumeLocation> LocationOf(const std::string& letter) const;

  // The path mapped to `letter`, or nullopt when the letter has no mapping.
  std::optional<std::string> PathOf(const std::string& letter) const;

  bool empty() const { return locations_.empty(); }
  // One "L: PATH" or "L: PATH@N" line per mapping, in letter order.
  std::vector<std::string> Descriptions() const;

 private:
  std::map<char, VolumeLocation> locations_;
};

// "letter F names no card: start with --drive F=PATH": what a letter that
// leads nowhere means, for the status bar and the diagnostics alike.
std::string LetterNamesNoCard(const std::string& letter);

}  // namespace kvx
