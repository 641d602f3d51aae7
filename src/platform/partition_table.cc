#include "platform/partition_table.h"

#include "platform/byte_fields.h"

namespace kvx {

namespace {

constexpr std::size_t kSectorLength = 512;
constexpr std::size_t kTableAt = 446;
constexpr std::size_t kEntryLength = 16;

bool IsPowerOfTwo(std::int64_t n) { return n > 0 && (n & (n - 1)) == 0; }

std::span<const std::byte> RawEntry(std::span<const std::byte> sector, std::size_t i) {
  return sector.subspan(kTableAt + i * kEntryLength, kEntryLength);
}

}  // namespace

bool HasBootSignature(std::span<const std::byte> sector) {
  return sector.size() >= kSectorLength && FieldU8(sector, 510) == 0x55 &&
         FieldU8(sector, 511) == 0xAA;
}

bool IsFatBootSector(std::span<const std::byte> sector) {
  if (sector.size() < kSectorLength) return false;
  std::int64_t bytes_per_sector = FieldU16(sector, 11);
  std::int64_t fat_count = FieldU8(sector, 16);
  return bytes_per_sector >= 512 && bytes_per_sector <= 4096 && IsPowerOfTwo(bytes_per_sector) &&
         IsPowerOfTwo(FieldU8(sector, 13)) && (fat_count == 1 || fat_count == 2);
}

PartitionTable ReadEntries(std::span<const std::byte> sector) {
  PartitionTable table;
  for (std::size_t i = 0; i < kPartitionEntryCount; ++i) {
    std::span<const std::byte> raw = RawEntry(sector, i);
    table[i].type = static_cast<std::uint8_t>(FieldU8(raw, 4));
    table[i].first_sector = FieldU32(raw, 8);
    table[i].sector_count = FieldU32(raw, 12);
  }
  return table;
}

std::optional<PartitionTable> ReadPartitionTable(std::span<const std::byte> sector) {
  if (!HasBootSignature(sector) || IsFatBootSector(sector)) return std::nullopt;
  PartitionTable table = ReadEntries(sector);
  bool any_used = false;
  for (std::size_t i = 0; i < kPartitionEntryCount; ++i) {
    std::int64_t status = FieldU8(RawEntry(sector, i), 0);
    // A table's entries are active (0x80) or not (0x00), and a used one never
    // starts on the table's own sector.
    if (status != 0x00 && status != 0x80) return std::nullopt;
    if (table[i].IsUsed() && table[i].first_sector == 0) return std::nullopt;
    any_used = any_used || table[i].IsUsed();
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

bool IsExtendedPartitionType(std::uint8_t type) {
  return type == 0x05 || type == 0x0F || type == 0x85;
}

}  // namespace kvx
