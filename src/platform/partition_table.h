// The partition table (MBR) that a whole disk or a whole-card image carries in
// sector 0, where a bare volume has its FAT boot sector.
//
// The four primary entries are decoded here; a protective entry (0xEE) stands
// for a GUID partition table, an extended entry for a chain of extended boot
// records that hold the logical partitions. A sector counts as a partition table
// only when it ends in 0x55AA, is not a FAT boot sector (both end so) and every
// entry is one a partitioning tool writes; a damaged card's sector 0 is thus
// left to the card's own tests rather than taken for a table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kvx {

inline constexpr std::size_t kPartitionEntryCount = 4;

struct PartitionEntry {
  std::uint8_t type = 0;          // the system id; 0 for an unused entry
  std::int64_t first_sector = 0;  // 512-byte sectors from the start of the disk
  std::int64_t sector_count = 0;

  bool IsUsed() const { return type != 0 && sector_count > 0; }
};

using PartitionTable = std::array<PartitionEntry, kPartitionEntryCount>;

// The system id of the one entry a GUID-partitioned disk's sector 0 holds.
inline constexpr std::uint8_t kProtectiveType = 0xEE;

// True when `sector` (at least 512 bytes) ends in 0x55AA.
bool HasBootSignature(std::span<const std::byte> sector);

// The four entries of `sector` (at least 512 bytes) as they stand, unchecked:
// an extended boot record is read so.
PartitionTable ReadEntries(std::span<const std::byte> sector);

// True for a boot sector with a plausible FAT parameter block: 512 to 4096
// bytes per sector, a power of two sectors per cluster, one or two FATs.
bool IsFatBootSector(std::span<const std::byte> sector);

// The table in `sector` (at least 512 bytes), or nullopt when it holds none.
std::optional<PartitionTable> ReadPartitionTable(std::span<const std::byte> sector);

// The FAT system ids: FAT12 (0x01), FAT16 (0x04, 0x06, 0x0E), FAT32 (0x0B, 0x0C).
bool IsFatPartitionType(std::uint8_t type);

// The system ids of an extended partition: 0x05, 0x0F, 0x85.
bool IsExtendedPartitionType(std::uint8_t type);

}  // namespace kvx
