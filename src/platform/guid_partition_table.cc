#include "platform/guid_partition_table.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/byte_fields.h"
#include "platform/crc32.h"

namespace kvx {

namespace {

constexpr std::int64_t kSectorLength = 512;
constexpr std::int64_t kPrimaryHeaderSector = 1;
constexpr std::int64_t kMinHeaderSize = 92;
constexpr std::size_t kHeaderCrcAt = 16;
constexpr std::int64_t kMinEntrySize = 128;
constexpr std::int64_t kMaxEntrySize = 4096;
// Sector numbers past this are hostile: their byte offsets would not fit.
constexpr std::uint64_t kMaxSector = std::uint64_t{1} << 48;

// EBD0A0A2-B9E5-4433-87C0-68B6B72699C7 as it lies on disk: the first three
// groups little-endian.
constexpr std::array<std::uint8_t, 16> kBasicDataType = {
    0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44, 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};

bool IsBasicData(std::span<const std::byte> type) {
  return std::equal(
      type.begin(), type.end(), kBasicDataType.begin(),
      [](std::byte a, std::uint8_t b) { return std::to_integer<std::uint8_t>(a) == b; });
}

bool IsZero(std::span<const std::byte> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::byte b) { return b == std::byte{0}; });
}

std::string AtSector(std::int64_t sector) { return " at sector " + std::to_string(sector); }

// The used entries of a checked array, each named by its slot.
std::vector<DiskPartition> DecodeEntries(std::span<const std::byte> array, std::size_t entry_size) {
  std::vector<DiskPartition> partitions;
  for (std::size_t slot = 0; slot * entry_size < array.size(); ++slot) {
    std::span<const std::byte> entry = array.subspan(slot * entry_size, entry_size);
    std::span<const std::byte> type = entry.first(16);
    std::uint64_t first = FieldU64(entry, 32);
    std::uint64_t last = FieldU64(entry, 40);
    if (IsZero(type) || first == 0 || last < first || last >= kMaxSector) continue;
    partitions.push_back({static_cast<int>(slot + 1), static_cast<std::int64_t>(first),
                          static_cast<std::int64_t>(last - first + 1),
                          IsBasicData(type) ? PartitionKind::kBasicData : PartitionKind::kOther});
  }
  return partitions;
}

// Reads the header at `sector` and its entries into `partitions`; returns
// why they cannot be trusted, or "" when they can.
std::string ReadTableAt(Volume& whole, std::int64_t sector,
                        std::vector<DiskPartition>& partitions) {
  std::array<std::byte, kSectorLength> header{};
  if (whole.Read(sector * kSectorLength, header).delivered != header.size()) {
    return "the GPT header" + AtSector(sector) + " cannot be read";
  }
  if (std::memcmp(header.data(), "EFI PART", 8) != 0) return "no GPT header" + AtSector(sector);
  std::int64_t header_size = FieldU32(header, 12);
  if (header_size < kMinHeaderSize || header_size > kSectorLength) {
    return "the GPT header" + AtSector(sector) + " gives a size of " + std::to_string(header_size);
  }
  std::int64_t header_crc = FieldU32(header, kHeaderCrcAt);
  std::array<std::byte, kSectorLength> zeroed = header;
  std::fill_n(zeroed.begin() + kHeaderCrcAt, 4, std::byte{0});
  if (Crc32(std::span(zeroed).first(static_cast<std::size_t>(header_size))) != header_crc) {
    return "the GPT header" + AtSector(sector) + " fails its CRC";
  }
  if (FieldU64(header, 24) != static_cast<std::uint64_t>(sector)) {
    return "the GPT header" + AtSector(sector) + " names another sector as its own";
  }
  std::uint64_t entries_at = FieldU64(header, 72);
  std::int64_t entry_count = FieldU32(header, 80);
  std::int64_t entry_size = FieldU32(header, 84);
  if (entry_size < kMinEntrySize || entry_size > kMaxEntrySize || entry_size % kMinEntrySize != 0 ||
      entry_count * entry_size > kMaxEntryArrayBytes || entries_at == 0 ||
      entries_at >= kMaxSector) {
    return "the GPT header" + AtSector(sector) + " gives " + std::to_string(entry_count) +
           " entries of " + std::to_string(entry_size) + " bytes at sector " +
           std::to_string(entries_at);
  }
  std::vector<std::byte> array(static_cast<std::size_t>(entry_count * entry_size));
  if (whole.Read(static_cast<std::int64_t>(entries_at) * kSectorLength, array).delivered != array.size()) {
    return "the GPT entries" + AtSector(static_cast<std::int64_t>(entries_at)) + " cannot be read";
  }
  if (Crc32(array) != FieldU32(header, 88)) {
    return "the GPT entries" + AtSector(static_cast<std::int64_t>(entries_at)) + " fail their CRC";
  }
  partitions = DecodeEntries(array, static_cast<std::size_t>(entry_size));
  return "";
}

}  // namespace

PartitionList ReadGuidPartitions(Volume& whole) {
  PartitionList list;
  std::string primary = ReadTableAt(whole, kPrimaryHeaderSector, list.partitions);
  if (primary.empty()) return list;
  std::int64_t last_sector = whole.Size() / kSectorLength - 1;
  if (last_sector <= kPrimaryHeaderSector) {
    list.damage = primary;
    return list;
  }
  std::string backup = ReadTableAt(whole, last_sector, list.partitions);
  if (!backup.empty()) list.damage = primary + "; " + backup;
  return list;
}

}  // namespace kvx
