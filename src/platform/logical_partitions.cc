#include "platform/logical_partitions.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kvx {

namespace {

constexpr std::int64_t kSectorLength = 512;
constexpr int kFirstLogicalNumber = 5;

int NextLogicalNumber(const PartitionList& list) {
  int next = kFirstLogicalNumber;
  for (const DiskPartition& p : list.partitions) next = std::max(next, p.number + 1);
  return next;
}

std::string AtSector(std::int64_t sector) { return " at sector " + std::to_string(sector); }

}  // namespace

void AppendLogicalPartitions(Volume& whole, const PartitionEntry& extended, PartitionList& list) {
  int number = NextLogicalNumber(list);
  std::vector<std::int64_t> seen;
  std::int64_t record = extended.first_sector;
  while (true) {
    if (std::find(seen.begin(), seen.end(), record) != seen.end()) {
      list.damage = "the chain of logical partitions loops back" + AtSector(record);
      return;
    }
    if (static_cast<int>(seen.size()) == kMaxChainLength) {
      list.damage = "the chain of logical partitions runs past " + std::to_string(kMaxChainLength) +
                    " records";
      return;
    }
    seen.push_back(record);
    std::array<std::byte, kSectorLength> sector{};
    if (whole.Read(record * kSectorLength, sector).delivered != sector.size()) {
      list.damage = "the logical partitions' record" + AtSector(record) + " cannot be read";
      return;
    }
    if (!HasBootSignature(sector)) return;
    PartitionTable entries = ReadEntries(sector);
    const PartitionEntry& logical = entries[0];
    if (logical.sector_count > 0 && !IsExtendedPartitionType(logical.type)) {
      list.partitions.push_back(
          {number++, record + logical.first_sector, logical.sector_count,
           IsFatPartitionType(logical.type) ? PartitionKind::kFat : PartitionKind::kOther});
    }
    const PartitionEntry& link = entries[1];
    if (link.sector_count == 0 || !IsExtendedPartitionType(link.type)) return;
    if (link.first_sector >= extended.sector_count) {
      list.damage = "the logical partitions' record" + AtSector(record) +
                    " links outside the extended partition";
      return;
    }
    record = extended.first_sector + link.first_sector;
  }
}

}  // namespace kvx
