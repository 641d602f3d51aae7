// The two fixed layouts of the instrument's cards, and the probes that find
// the file-entry region and the data region by their markers.
#pragma once

#include <cstdint>

#include "card/card_volume.h"
#include "controls/controls.h"

namespace kvx {

struct CardLayout {
  const char* Name;  // "1G" or "2G", as the messages say
  std::int64_t EntryRegionOffset;
  std::int64_t DataRegionOffset;
};

inline constexpr CardLayout kLayout1G{"1G", 64000, 80384};
inline constexpr CardLayout kLayout2G{"2G", 124928, 141312};
inline constexpr std::size_t kEntryBlockSize = 16384;

enum class RegionProbe { Layout1G, Layout2G, NotFound, TroubleReading };

// REQUIRES: probe is Layout1G or Layout2G.
const CardLayout& LayoutOf(RegionProbe probe);

// Looks for the marker entry at the 1G, then the 2G entry offset. On a layout
// the 16384-byte entry block is in SectorBuffer. Writes "Trouble reading KVX
// file entries" or "KVX File Entries not found" to Label1.
RegionProbe FindEntryRegion(CardVolume& card, Controls& controls);

// Looks for the region marker at the 1G, then the 2G data offset. Writes
// "KVX Data Region (1G|2G) found" or "... not found, ..." to Label3, or
// "Trouble reading KVX data region" to Label1. The card stays open.
RegionProbe FindDataRegion(CardVolume& card, Controls& controls);

}  // namespace kvx
