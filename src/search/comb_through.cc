#include "search/comb_through.h"

#include <span>

#include "card/file_header.h"
#include "card/windowed_block_reader.h"
#include "search/captions.h"
#include "search/header_search_steps.h"

namespace kvx {

namespace {

constexpr int kMostFiles = 2048;  // records 0 to 2047

}  // namespace

void CombThrough(WindowState& state, Controls& controls, Platform& platform) {
  if (!controls.AskYesNo(kCombConfirmation, kWindowCaption)) {
    controls.ReportOutcome({Outcome::kStopped, kCombNotStarted});
    return;
  }

  CardVolume& card = state.Card;
  controls.SetCaption(Label::Label1, kCombCaption);
  controls.SetCaption(Label::Label2, "");
  controls.SetBusyPointer(true);
  if (!OpenHeaderSearch(state, controls, platform, ListedSearch::kCombThrough)) return;

  // Every sector boundary up to the end of the card, as the question promises;
  // a step count taken from the FAT's size would stop at a sixteenth of it.
  // The scan ends at the first block that one 1536-byte read would not
  // deliver whole, or at the 2048th file.
  WindowedBlockReader reader(card, kFileHeaderSize);
  const std::int64_t card_size = CardSize(card);
  std::int64_t offset = kFirstCombedOffset;
  bool stopped = false;
  bool ended_at_card_end = true;
  Status failed_read;
  for (; state.FoundFiles.FoundCount() < kMostFiles; offset += kSectorSize) {
    std::int64_t windows_before = reader.windows_read();
    std::span<const std::byte> block = reader.BlockAt(offset);
    if (reader.windows_read() != windows_before) {
      controls.ReportProgress(reader.reached(), card_size);
      if (controls.StopRequested()) {
        stopped = true;
        break;
      }
    }
    if (block.empty()) {
      // A block the card's length holds and a read did not deliver: the card
      // failed there rather than ended.
      ended_at_card_end =
          card_size < 0 || offset + static_cast<std::int64_t>(kFileHeaderSize) > card_size;
      failed_read = CardReadStatus(card);
      break;
    }
    if (IsFileHeader(block)) {
      ListHeaderFind(state, controls, kCombNameStem, offset, FileHeaderLength(block));
    }
  }

  CloseHeaderSearch(state, controls);
  const int found = state.FoundFiles.FoundCount();
  if (stopped) {
    controls.ReportOutcome(
        {Outcome::kStopped, StoppedOutcome(kCombAction, reader.reached(), card_size, found)});
  } else if (!ended_at_card_end) {
    controls.ReportOutcome({Outcome::kFailed, CombReadFailedOutcome(offset, Why(failed_read, Operation::kReadCard), found)});
  } else {
    controls.ReportOutcome({Outcome::kDone, CombReadOutcome(reader.reached(), found)});
  }
}

}  // namespace kvx
