#include "search/explore.h"

#include <optional>

#include "card/card_layout.h"
#include "card/file_header.h"
#include "search/captions.h"
#include "search/card_steps.h"
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
  CardVolume& card = state.Card;
  controls.SetBusyPointer(true);
  controls.SetCaption(Label::Label1, kExploreCaption);
  controls.SetCaption(Label::Label2, "");
  if (!OpenHeaderSearch(state, controls, platform, ListedSearch::kExplore)) return;

  RegionProbe region = FindDataRegion(card, controls);
  if (!IsLayout(region)) {
    controls.SetBusyPointer(false);  // the card stays open
    controls.ReportOutcome(
        region == RegionProbe::kTroubleReading
            ? Outcome{Outcome::kFailed,
                      RegionReadFailedOutcome(kExploreAction, kDataRegionName,
                                              Why(CardReadStatus(card), Operation::kReadCard))}
            : Outcome{Outcome::kDone, NothingToSearchOutcome(kExploreAction, kDataRegionName)});
    return;
  }

  state.ListedBy.layout = LayoutOf(region).Name;
  // The walk starts at the data region's second cluster.
  const std::int64_t card_size = CardSize(card);
  std::int64_t offset = LayoutOf(region).DataRegionOffset + card.BytesPerCluster;
  bool stopped = false;
  for (int i = 0; i < kMostFiles; ++i) {
    std::optional<std::int64_t> length = ReadFileHeaderLength(card, offset);
    controls.ReportProgress(offset, card_size);
    if (!length) break;
    ListHeaderFind(state, controls, kExploreNameStem, offset, *length);
    // Without a cluster size there is no next boundary: keep this file and stop.
    if (card.BytesPerCluster <= 0) break;
    offset += ClusterAlignedLength(*length, card.BytesPerCluster);
    if (controls.StopRequested()) {
      stopped = true;
      break;
    }
  }

  CloseHeaderSearch(state, controls);
  const int found = state.FoundFiles.FoundCount();
  controls.ReportOutcome(
      stopped ? Outcome{Outcome::kStopped, StoppedOutcome(kExploreAction, offset, card_size, found)}
              : Outcome{Outcome::kDone, ListedOutcome(kExploreAction, found)});
}

}  // namespace kvx
