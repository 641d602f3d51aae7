// The GUID partition table a protective MBR stands for: a header at sector 1
// and its array of entries, with a backup header at the disk's last sector.
//
// A header is trusted only when it reads "EFI PART", its CRC-32 (taken with
// the CRC field zeroed, over the header's own size) matches, it names the
// sector it lies on, and its entry array's CRC-32 matches. Where the primary
// fails, the backup serves, as its own fields say where its entries are.
// Whatever a hostile header claims, at most kMaxEntryArrayBytes are read.
#pragma once

#include <cstdint>

#include "platform/partition_list.h"
#include "platform/volume.h"

namespace kvx {

inline constexpr std::int64_t kMaxEntryArrayBytes = 1 << 20;

// The partitions the table names; none, and the reason in `damage`, when
// neither header can be trusted.
PartitionList ReadGuidPartitions(Volume& whole);

}  // namespace kvx
