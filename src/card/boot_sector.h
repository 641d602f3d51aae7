// The boot sector's fields that recognise the instrument's cards and that the
// card report shows.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kvx {

inline constexpr std::size_t kBootSectorSize = 512;

struct BootSectorFields {
  std::string OemName;  // the 8 bytes of the name field, as they stand
  std::int64_t SectorsPerCluster = 0;
  std::int64_t FatCount = 0;
  std::int64_t RootEntryCount = 0;
};

// REQUIRES: sector.size() >= kBootSectorSize.
BootSectorFields DecodeBootSector(std::span<const std::byte> sector);

// 1 or 2 for current cards, 0 for obsolete ones, -1 for anything else.
int CardGenerationOf(const BootSectorFields& fields);

}  // namespace kvx
