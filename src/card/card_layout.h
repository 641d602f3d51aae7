// The two fixed layouts of the instrument's cards, and the probes that find
// the file-entry region and the data region by their markers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "card/card_volume.h"

namespace kvx {

struct CardLayout {
  const char* Name;  // "1G" or "2G", as the messages say
  std::int64_t EntryRegionOffset;
  std::int64_t DataRegionOffset;
};

inline constexpr CardLayout kLayout1G{"1G", 64000, 80384};
inline constexpr CardLayout kLayout2G{"2G", 124928, 141312};
inline constexpr std::size_t kEntryBlockSize = 16384;

enum class RegionProbe { kLayout1G, kLayout2G, kNotFound, kTroubleReading };

// True for kLayout1G and kLayout2G.
bool IsLayout(RegionProbe probe);

// REQUIRES: IsLayout(probe).
const CardLayout& LayoutOf(RegionProbe probe);

struct EntryRegion {
  RegionProbe probe = RegionProbe::kNotFound;
  // On a layout: the kEntryBlockSize bytes at its entry offset, with what a
  // short read did not deliver as 0.
  std::vector<std::byte> block;
};

// Looks for the marker entry at the 1G, then the 2G entry offset. Reading the
// 1G block short is kTroubleReading; the 2G block is judged by its marker alone.
EntryRegion ProbeEntryRegion(CardVolume& card);

// Looks for the region marker at the 1G, then the 2G data offset; a header
// read that comes up short at either is kTroubleReading.
RegionProbe ProbeDataRegion(CardVolume& card);

}  // namespace kvx
