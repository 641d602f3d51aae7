// Writes a GUID partition table into a disk image held in memory, as a
// partitioning tool lays one out: a protective MBR, the header at sector 1
// with its entries from sector 2, and the backup header at the last sector
// with its entries just before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvx::testing {

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
