// Partition tables and boot sectors for disk images held in memory, as a
// partitioning tool lays them out: an MBR's sector 0, a FAT boot sector, and a
// GUID table (a protective MBR, the header at sector 1 with its entries from
// sector 2, and the backup header at the last sector with its entries just
// before it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvx::testing {

struct MbrEntry {
  int status = 0x00;
  int type = 0;
  std::uint32_t first_sector = 0;
  std::uint32_t sector_count = 0;
};

// Sector 0 of a partitioned disk: the four entries and 0x55AA, code zeroed.
std::vector<std::byte> Mbr(const std::vector<MbrEntry>& entries);

// A FAT16 boot sector as mkfs.fat writes one, by default with a table area
// that would decode as a FAT partition if it were read as one.
std::vector<std::byte> FatBootSector(const std::vector<MbrEntry>& table_area = {{0, 0x06, 2, 4}});

struct GuidEntry {
  std::size_t slot;
  bool basic_data;  // else a Linux file system's type
  std::int64_t first_sector;
  std::int64_t last_sector;
};

struct GuidHeaderShape {
  std::uint32_t entry_count = 4;
  std::uint32_t entry_size = 128;
};

// REQUIRES: `disk` holds whole 512-byte sectors, room for the array at both
// ends. An array of more than 4096 bytes is left unwritten.
void WriteGuidTable(std::vector<std::byte>& disk, const std::vector<GuidEntry>& entries,
                    GuidHeaderShape shape = {});

}  // namespace kvx::testing
