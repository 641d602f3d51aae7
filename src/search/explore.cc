#include "search/explore.h"

#include <span>
#include <string>

#include "card/card_layout.h"
#include "card/file_header.h"
#include "search/header_search_steps.h"

namespace kvx {

namespace {

constexpr int kMostFiles = 512;  // records 0 to 511

// The first cluster boundary at or after a file of length L that starts on one.
std::int64_t ClusterAlignedLength(std::int64_t length, std::int64_t bytes_per_cluster) {
  if (length % bytes_per_cluster == 0) return length;
  return (length / bytes_per_cluster + 1) * bytes_per_cluster;
}

}  // namespace

void Explore(WindowState& state, Controls& controls, Platform& platform) {
  CardVolume& card = state.card;
  controls.SetBusyPointer(true);
  controls.SetCaption(Label::Label1, "Skipepd DIR region");  // sic: the caption as shipped
  controls.SetCaption(Label::Label2, "");
  if (!OpenHeaderSearch(state, controls, platform)) return;

  state.ScanOffset = 0;
  RegionProbe region = FindDataRegion(card, controls);
  if (region != RegionProbe::Layout1G && region != RegionProbe::Layout2G) {
    controls.SetBusyPointer(false);  // the card stays open
    return;
  }
  state.ScanOffset = LayoutOf(region).DataRegionOffset;

  // The walk starts at the data region's second cluster.
  state.ScanOffset += card.BytesPerCluster;
  std::span<std::byte> block(card.SectorBuffer.data(), kFileHeaderSize);
  for (int i = 0; i < kMostFiles; ++i) {
    if (ReadCard(card, state.ScanOffset, block) != kFileHeaderSize || !IsFileHeader(block)) break;
    std::int64_t length = FileHeaderLength(block);
    FoundFile& file = state.found_files[static_cast<std::size_t>(i)];
    file.FileName = PaddedFileName("RECOVER" + std::to_string(i) + ".KVX");
    file.StartOffset = state.ScanOffset;
    file.SizeByFat = length;
    file.SizeByHeader = length;
    controls.AppendLine(ListLine(file));
    ++state.FoundCount;
    // Without a cluster size there is no next boundary: keep this file and stop.
    if (card.BytesPerCluster <= 0) break;
    state.ScanOffset += ClusterAlignedLength(length, card.BytesPerCluster);
  }

  CloseHeaderSearch(state, controls);
}

}  // namespace kvx
