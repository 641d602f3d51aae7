#include "card/card_layout.h"

#include <algorithm>
#include <array>
#include <span>

#include "card/file_header.h"

namespace kvx {

namespace {

// Name bytes 1 to 10 of slot 1 of the entry block; byte 0 may be anything,
// a deleted mark included.
constexpr std::array<char, 10> kMarkerName = {'A', 'R', 'D', 'W', 'A', 'R', 'E', 'B', 'I', 'N'};
constexpr std::size_t kMarkerAt = 33;

bool HasMarkerEntry(std::span<const std::byte> block) {
  return std::equal(kMarkerName.begin(), kMarkerName.end(), block.begin() + kMarkerAt,
                    [](char want, std::byte have) { return std::byte(want) == have; });
}

}  // namespace

bool IsLayout(RegionProbe probe) {
  return probe == RegionProbe::kLayout1G || probe == RegionProbe::kLayout2G;
}

const CardLayout& LayoutOf(RegionProbe probe) {
  return probe == RegionProbe::kLayout1G ? kLayout1G : kLayout2G;
}

EntryRegion ProbeEntryRegion(CardVolume& card) {
  EntryRegion region{RegionProbe::kNotFound, std::vector<std::byte>(kEntryBlockSize)};
  if (ReadCard(card, kLayout1G.EntryRegionOffset, region.block) != kEntryBlockSize) {
    region.probe = RegionProbe::kTroubleReading;
  } else if (HasMarkerEntry(region.block)) {
    region.probe = RegionProbe::kLayout1G;
  } else {
    // Only the marker decides here; how much this read delivered is not asked.
    ReadCard(card, kLayout2G.EntryRegionOffset, region.block);
    if (HasMarkerEntry(region.block)) region.probe = RegionProbe::kLayout2G;
  }
  if (!IsLayout(region.probe)) region.block.clear();
  return region;
}

RegionProbe ProbeDataRegion(CardVolume& card) {
  std::array<std::byte, kFileHeaderSize> block;
  for (RegionProbe probe : {RegionProbe::kLayout1G, RegionProbe::kLayout2G}) {
    if (ReadCard(card, LayoutOf(probe).DataRegionOffset, block) != kFileHeaderSize) {
      return RegionProbe::kTroubleReading;
    }
    if (HasRegionMarker(block)) return probe;
  }
  return RegionProbe::kNotFound;
}

}  // namespace kvx
