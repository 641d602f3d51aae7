// Where a drive letter leads: a device, a card image or a raw volume, and which
// of its partitions. Recorded when a card is searched, so the card can be
// opened again after the letters have moved on.
#pragma once

#include <string>

namespace kvx {

inline constexpr int kMaxPartitionNumber = 255;

struct VolumeLocation {
  std::string path;
  // 0: the volume itself, or its first FAT partition when it starts with a
  // partition table; 1 to kMaxPartitionNumber: that partition of its tables,
  // numbered as Linux numbers them.
  int partition = 0;

  bool operator==(const VolumeLocation&) const = default;
};

// "PATH", or "PATH@N" for partition N: the form --drive takes.
std::string LocationText(const VolumeLocation& location);

}  // namespace kvx
