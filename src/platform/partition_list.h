// Every partition a disk's tables name, numbered as Linux numbers them, so a
// location's "@N" means the partition /dev/sdbN is: primaries 1 to 4, logical
// partitions from 5 on, a GUID table's entries by their slot (slot + 1, gaps
// where a slot is unused).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/volume.h"

namespace kvx {

// What a partition's type says of its content.
enum class PartitionKind {
  kOther,
  kFat,        // an MBR system id of FAT
  kBasicData,  // a GUID table's basic data: FAT only where its boot sector says so
};

struct DiskPartition {
  int number = 0;
  std::int64_t first_sector = 0;  // 512-byte sectors from the start of the disk
  std::int64_t sector_count = 0;
  PartitionKind kind = PartitionKind::kOther;
};

struct PartitionList {
  std::vector<DiskPartition> partitions;  // in number order
  // Why a table, or the rest of one, was not trusted ("" when all was read):
  // the partitions it would have named are missing from the list.
  std::string damage;
};

// The partitions of `whole` by the table in its sector 0, or nullopt when
// sector 0 holds none (an unreadable sector 0 gives no partitions and says
// so in the damage). Reads only the tables, and never
// more than a bounded number of sectors, whatever the tables claim.
std::optional<PartitionList> ReadDiskPartitions(Volume& whole);

}  // namespace kvx
