#include "search/quick_search.h"

#include <optional>
#include <span>
#include <string>
#include <utility>

#include "card/card_layout.h"
#include "card/card_prologue.h"
#include "card/file_header.h"
#include "card/little_endian.h"
#include "search/captions.h"
#include "search/card_steps.h"

namespace kvx {

namespace {

constexpr std::size_t kEntrySize = 32;
constexpr std::size_t kFirstListedSlotAt = 64;  // slot 0 and the marker slot are never listed
// On the 1G layout a size of 0 stands for "unknown" and is copied as this.
constexpr std::int64_t kUnknownSize1G = 1879048191;

std::string EntryFileName(std::span<const std::byte> entry) {
  const char* bytes = reinterpret_cast<const char*>(entry.data());
  return PaddedFileName("D" + std::string(bytes + 1, 7) + "." + std::string(bytes + 8, 3));
}

// The record of one directory entry, with the header at its first cluster.
FoundFile FileOfEntry(CardVolume& card, std::span<const std::byte> entry, const CardLayout& layout) {
  FoundFile file;
  file.FileName = EntryFileName(entry);
  const std::int64_t start_cluster = ReadU16(entry, 26);
  file.StartOffset = (start_cluster - 2) * card.BytesPerCluster + layout.DataRegionOffset;
  file.SizeByFat = ReadU32(entry, 28);
  if (&layout == &kLayout1G && file.SizeByFat <= 0) file.SizeByFat = kUnknownSize1G;
  // SizeByFat is already above 0 on 1G, and a header's length always is.
  file.SizeByHeader = ReadFileHeaderLength(card, file.StartOffset).value_or(file.SizeByFat);
  return file;
}

}  // namespace

void QuickSearch(WindowState& state, Controls& controls, Platform& platform) {
  CardVolume& card = state.Card;
  state.SizesDiffer = false;
  std::optional<std::string> report =
      CardPrologue(card, controls, platform, [&] { controls.SetRetrieveEnabled(false); });
  if (!report) return;
  state.FoundFiles.Clear(controls);
  const std::string letter = DriveLetterFromText(controls.Text1());
  state.ListedCard = platform.LocationOf(letter);
  state.ListedBy = {ListedSearch::kQuickSearch, letter, std::move(*report), ""};

  EntryRegion entries = FindEntryRegion(card, controls);
  const Status entries_read = CardReadStatus(card);
  if (entries.probe == RegionProbe::kNotFound) {
    controls.ReportOutcome(
        {Outcome::kDone, NothingToSearchOutcome(kQuickSearchAction, kEntriesRegion)});
    return;
  }
  if (IsLayout(entries.probe)) {
    const CardLayout& layout = LayoutOf(entries.probe);
    state.ListedBy.layout = layout.Name;
    std::span<const std::byte> block(entries.block);
    // The 1G layout lists every second slot only.
    std::size_t stride = entries.probe == RegionProbe::kLayout1G ? 2 * kEntrySize : kEntrySize;
    for (std::size_t at = kFirstListedSlotAt; at < kEntryBlockSize && block[at] != std::byte{0};
         at += stride) {
      FoundFile file = FileOfEntry(card, block.subspan(at, kEntrySize), layout);
      const bool sizes_differ = file.SizeByHeader != file.SizeByFat;
      if (!state.FoundFiles.Add(std::move(file), controls)) break;
      if (sizes_differ) state.SizesDiffer = true;
      controls.SetSizeOptionsVisible(state.SizesDiffer);
    }
    const int found = state.FoundFiles.FoundCount();
    if (found != 0) {
      controls.SetCaption(Label::Label1, EntriesFoundCaption(found, layout));
      controls.SetRetrieveEnabled(true);
    } else {
      controls.SetCaption(Label::Label1, kNoEntryCaption);
    }
  }

  RegionProbe data_region = FindDataRegion(card, controls);
  if (IsLayout(data_region)) card.VolumeHandle.reset();

  if (entries.probe == RegionProbe::kTroubleReading) {
    controls.ReportOutcome({Outcome::kFailed,
                            RegionReadFailedOutcome(kQuickSearchAction, kEntriesRegion,
                                                    Why(entries_read, Operation::kReadCard))});
  } else if (data_region == RegionProbe::kTroubleReading) {
    controls.ReportOutcome({Outcome::kFailed,
                            RegionReadFailedOutcome(kQuickSearchAction, kDataRegionName,
                                                    Why(CardReadStatus(card), Operation::kReadCard))});
  } else {
    controls.ReportOutcome(
        {Outcome::kDone, ListedOutcome(kQuickSearchAction, state.FoundFiles.FoundCount())});
  }
}

}  // namespace kvx
