#include "card/card_layout.h"

#include <algorithm>
#include <array>

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

const CardLayout& LayoutOf(RegionProbe probe) {
  return probe == RegionProbe::Layout1G ? kLayout1G : kLayout2G;
}

RegionProbe FindEntryRegion(CardVolume& card, Controls& controls) {
  std::span<std::byte> block(card.SectorBuffer.data(), kEntryBlockSize);
  if (ReadCard(card, kLayout1G.EntryRegionOffset, block) != kEntryBlockSize) {
    controls.SetCaption(Label::Label1, "Trouble reading KVX file entries");
    return RegionProbe::TroubleReading;
  }
  if (HasMarkerEntry(block)) return RegionProbe::Layout1G;
  // Only the marker decides here; how much this read delivered is not asked.
  ReadCard(card, kLayout2G.EntryRegionOffset, block);
  if (HasMarkerEntry(block)) return RegionProbe::Layout2G;
  controls.SetCaption(Label::Label1, "KVX File Entries not found");
  return RegionProbe::NotFound;
}

RegionProbe FindDataRegion(CardVolume& card, Controls& controls) {
  std::span<std::byte> block(card.SectorBuffer.data(), kFileHeaderSize);
  for (RegionProbe probe : {RegionProbe::Layout1G, RegionProbe::Layout2G}) {
    const CardLayout& layout = LayoutOf(probe);
    if (ReadCard(card, layout.DataRegionOffset, block) != kFileHeaderSize) {
      controls.SetCaption(Label::Label1, "Trouble reading KVX data region");
      return RegionProbe::TroubleReading;
    }
    if (HasRegionMarker(block)) {
      controls.SetCaption(Label::Label3, std::string("KVX Data Region (") + layout.Name + ") found");
      return probe;
    }
  }
  controls.SetCaption(Label::Label3, "KVX Data Region not found, there is nothing to recover");
  return RegionProbe::NotFound;
}

}  // namespace kvx
