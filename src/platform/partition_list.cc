#include "platform/partition_list.h"

#include <algorithm>
#include <array>

#include "platform/guid_partition_table.h"
#include "platform/logical_partitions.h"
#include "platform/partition_table.h"

namespace kvx {

std::optional<PartitionList> ReadDiskPartitions(Volume& whole) {
  std::array<std::byte, 512> sector{};
  if (whole.Read(0, sector).delivered != sector.size()) return PartitionList{{}, "sector 0 cannot be read"};
  std::optional<PartitionTable> table = ReadPartitionTable(sector);
  if (!table) return std::nullopt;
  if (std::any_of(table->begin(), table->end(),
                  [](const PartitionEntry& e) { return e.type == kProtectiveType; })) {
    return ReadGuidPartitions(whole);
  }
  PartitionList list;
  for (std::size_t i = 0; i < table->size(); ++i) {
    const PartitionEntry& entry = (*table)[i];
    if (!entry.IsUsed()) continue;
    list.partitions.push_back(
        {static_cast<int>(i + 1), entry.first_sector, entry.sector_count,
         IsFatPartitionType(entry.type) ? PartitionKind::kFat : PartitionKind::kOther});
  }
  for (const PartitionEntry& entry : *table) {
    if (entry.IsUsed() && IsExtendedPartitionType(entry.type)) {
      AppendLogicalPartitions(whole, entry, list);
    }
  }
  return list;
}

}  // namespace kvx
