// The logical partitions of an extended partition: a chain of extended boot
// records, each a sector with the MBR's layout whose first entry is one
// logical partition (its start counted from that record) and whose second
// links the next record (its start counted from the extended partition's).
//
// A hostile chain cannot hang or mislead: the walk stops at a record it has
// seen before, after kMaxChainLength records, at a link outside the extended
// partition and at a record that cannot be read, and says so in the list's
// damage. A record without 0x55AA ends the chain quietly, as an empty
// extended partition's does.
#pragma once

#include "platform/partition_list.h"
#include "platform/partition_table.h"
#include "platform/volume.h"

namespace kvx {

inline constexpr int kMaxChainLength = 128;

// Appends the logical partitions `extended` holds to `list`, numbered on from
// 5 or from the highest logical number in it.
void AppendLogicalPartitions(Volume& whole, const PartitionEntry& extended, PartitionList& list);

}  // namespace kvx
