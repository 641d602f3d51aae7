#include "tests/support/guid_table_image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "platform/crc32.h"

namespace kvx::testing {

namespace {

constexpr std::int64_t kSector = 512;
constexpr std::size_t kLargestArrayWritten = 4096;
constexpr std::array<std::uint8_t, 16> kBasicData = {
    0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44, 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
constexpr std::array<std::uint8_t, 16> kLinuxData = {
    0xAF, 0x3D, 0xC6, 0x0F, 0x83, 0x84, 0x72, 0x47, 0x8E, 0x79, 0x3D, 0x69, 0xD8, 0x47, 0x7D, 0xE4};

void Put(std::byte* at, std::uint64_t value, int length) {
  for (int i = 0; i < length; ++i) at[i] = std::byte((value >> (8 * i)) & 0xFF);
}

void PutHeader(std::vector<std::byte>& disk, std::int64_t at, std::int64_t alternate,
               std::int64_t entries_at, std::pair<std::int64_t, std::int64_t> usable,
               GuidHeaderShape shape, std::uint32_t entries_crc) {
  std::byte* header = disk.data() + at * kSector;
  std::fill_n(header, kSector, std::byte{0});
  std::memcpy(header, "EFI PART", 8);
  Put(header + 8, 0x00010000, 4);
  Put(header + 12, 92, 4);
  Put(header + 24, static_cast<std::uint64_t>(at), 8);
  Put(header + 32, static_cast<std::uint64_t>(alternate), 8);
  Put(header + 40, static_cast<std::uint64_t>(usable.first), 8);
  Put(header + 48, static_cast<std::uint64_t>(usable.second), 8);
  Put(header + 72, static_cast<std::uint64_t>(entries_at), 8);
  Put(header + 80, shape.entry_count, 4);
  Put(header + 84, shape.entry_size, 4);
  Put(header + 88, entries_crc, 4);
  Put(header + 16, Crc32(std::span(header, 92)), 4);
}

}  // namespace

std::vector<std::byte> Mbr(const std::vector<MbrEntry>& entries) {
  std::vector<std::byte> sector(kSector);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::byte* at = sector.data() + 446 + 16 * i;
    at[0] = std::byte(entries[i].status);
    at[4] = std::byte(entries[i].type);
    Put(at + 8, entries[i].first_sector, 4);
    Put(at + 12, entries[i].sector_count, 4);
  }
  sector[510] = std::byte{0x55};
  sector[511] = std::byte{0xAA};
  return sector;
}

std::vector<std::byte> FatBootSector(const std::vector<MbrEntry>& table_area) {
  std::vector<std::byte> sector = Mbr(table_area);
  sector[0] = std::byte{0xEB};
  sector[12] = std::byte{0x02};  // 512 bytes per sector
  sector[13] = std::byte{64};
  sector[16] = std::byte{2};
  return sector;
}

void WriteGuidTable(std::vector<std::byte>& disk, const std::vector<GuidEntry>& entries,
                    GuidHeaderShape shape) {
  const auto sectors = static_cast<std::int64_t>(disk.size()) / kSector;
  const std::vector<std::byte> protective =
      Mbr({{0, 0xEE, 1, static_cast<std::uint32_t>(sectors - 1)}});
  std::copy(protective.begin(), protective.end(), disk.begin());

  const std::size_t array_bytes = std::size_t{shape.entry_count} * shape.entry_size;
  std::vector<std::byte> array(array_bytes <= kLargestArrayWritten ? array_bytes : 0);
  for (const GuidEntry& entry : entries) {
    if (shape.entry_size < 48 || (entry.slot + 1) * shape.entry_size > array.size()) continue;
    std::byte* at = array.data() + entry.slot * shape.entry_size;
    const auto& type = entry.basic_data ? kBasicData : kLinuxData;
    std::transform(type.begin(), type.end(), at, [](std::uint8_t b) { return std::byte(b); });
    Put(at + 32, static_cast<std::uint64_t>(entry.first_sector), 8);
    Put(at + 40, static_cast<std::uint64_t>(entry.last_sector), 8);
  }
  const std::uint32_t crc = Crc32(array);
  const std::int64_t array_sectors =
      std::max<std::int64_t>(1, (static_cast<std::int64_t>(array.size()) + kSector - 1) / kSector);
  const std::int64_t backup_entries = sectors - 1 - array_sectors;
  std::copy(array.begin(), array.end(), disk.begin() + 2 * kSector);
  std::copy(array.begin(), array.end(), disk.begin() + backup_entries * kSector);
  const std::pair<std::int64_t, std::int64_t> usable{2 + array_sectors, backup_entries - 1};
  PutHeader(disk, 1, sectors - 1, 2, usable, shape, crc);
  PutHeader(disk, sectors - 1, 1, backup_entries, usable, shape, crc);
}

}  // namespace kvx::testing
