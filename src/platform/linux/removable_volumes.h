// The machine's removable volumes, given drive letters as Windows would give
// them: from E on, in device order. Each removable disk (marked removable, or
// attached through USB or an SD/MMC host) gives its FAT partitions, or itself
// when it has no partition table; a reader without a card gives nothing.
//
// Disks are found in sysfs and their partitions read with libblkid, under
// roots that a test points at a tree of its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/drive_map.h"
#include "platform/volume_location.h"

namespace kvx {

struct RemovableVolume {
  char letter = 'E';
  VolumeLocation location;  // "/dev/sdb1", or the disk and a partition number
  std::int64_t size_bytes = 0;
  std::string model;  // the disk's vendor and model, "Generic SD reader"
};

struct DeviceRoots {
  std::filesystem::path sys = "/sys";
  std::filesystem::path dev = "/dev";
};

std::vector<RemovableVolume> ListRemovableVolumes(const DeviceRoots& roots = {});

// One line for a volume: "E: /dev/sdb1, 1.9 GB, Generic SD reader".
std::string DescribeVolume(const RemovableVolume& volume);

// The letters of ListRemovableVolumes as a drive map: what letters mean when
// no --drive option is given.
DriveMap RemovableDriveMap(const DeviceRoots& roots = {});

}  // namespace kvx
