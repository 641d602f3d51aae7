#include "platform/partition_table.h"

namespace kvx {

namespace {

constexpr std::size_t kSectorLength = 512;
constexpr std::size_t kTableAt = 446;
constexpr std::size_t kEntryLength = 16;

std::int64_t U8(std::span<const std::byte> bytes, std::size_t at) {
  return std::to_integer<std::int64_t>(bytes[at]);
}

std::int64_t U16(std::span<const std::byte> bytes, std::size_t at) {
  return U8(bytes, at) + 256 * U8(bytes, at + 1);
}

std::int64_t U32(std::span<const std::byte> bytes, std::size_t at) {
  return U16(bytes, at) + 65536 * U16(bytes, at + 2);
}

bool IsPowerOfTwo(std::int64_t n) { return n > 0 && (n & (n - 1)) == 0; }

bool HasBootSignature(std::span<const std::byte> sector) {
  return U8(sector, 510) == 0x55 && U8(sector, 511) == 0xAA;
}

}  // namespace

bool IsFatBootSector(std::span<const std::byte> sector) {
  if (sector.size() < kSectorLength) return false;
  std::int64_t bytes_per_sector = U16(sector, 11);
  std::int64_t fat_count = U8(sector, 16);
  return bytes_per_sector >= 512 && bytes_per_sector <= 4096 && IsPowerOfTwo(bytes_per_sector) &&
         IsPowerOfTwo(U8(sector, 13)) && (fat_count == 1 || fat_count == 2);
}

std::optional<PartitionTable> ReadPartitionTable(std::span<const std::byte> sector) {
  if (sector.size() < kSectorLength || !HasBootSignature(sector) || IsFatBootSector(sector)) {
    return std::nullopt;
  }
  PartitionTable table;
  bool any_used = false;
  for (std::size_t i = 0; i < kPartitionEntryCount; ++i) {
    std::span<const std::byte> raw = sector.subspan(kTableAt + i * kEntryLength, kEntryLength);
    std::int64_t status = U8(raw, 0);
    PartitionEntry& entry = table[i];
    entry.type = static_cast<std::uint8_t>(U8(raw, 4));
    entry.first_sector = U32(raw, 8);
    entry.sector_count = U32(raw, 12);
    // A table's entries are active (0x80) or not (0x00), and a used one never
    // starts on the table's own sector.
    if (status != 0x00 && status != 0x80) return std::nullopt;
    if (entry.IsUsed() && entry.first_sector == 0) return std::nullopt;
    any_used = any_used || entry.IsUsed();
  }
  if (!any_used) return std::nullopt;
  return table;
}

bool IsFatPartitionType(std::uint8_t type) {
  switch (type) {
    case 0x01:
    case 0x04:
    case 0x06:
    case 0x0B:
    case 0x0C:
    case 0x0E:
      return true;
    default:
      return false;
  }
}

std::optional<PartitionEntry> ChoosePartition(const PartitionTable& table, int number) {
  if (number == 0) {
    for (const PartitionEntry& entry : table) {
      if (entry.IsUsed() && IsFatPartitionType(entry.type)) return entry;
    }
    return std::nullopt;
  }
  if (number < 1 || number > static_cast<int>(kPartitionEntryCount)) return std::nullopt;
  const PartitionEntry& entry = table[static_cast<std::size_t>(number - 1)];
  if (!entry.IsUsed()) return std::nullopt;
  return entry;
}

}  // namespace kvx
