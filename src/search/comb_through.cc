#include "search/comb_through.h"

#include <span>
#include <string>

#include "card/file_header.h"
#include "card/windowed_block_reader.h"
#include "search/header_search_steps.h"

namespace kvx {

namespace {

constexpr char kConfirmation[] =
    "We will comb through every sector of SD to find all possible .KVX files\r\n\r\n"
    "The operation may take a long time\r\n\r\n"
    "Do you want to continue?";
// The scan examines the blocks from one sector past here: the 1G data region's
// start, whatever the card's layout.
constexpr std::int64_t kScanBase = 80384;
constexpr int kMostFiles = 2048;  // records 0 to 2047

}  // namespace

void CombThrough(WindowState& state, Controls& controls, Platform& platform) {
  if (!controls.AskYesNo(kConfirmation, kWindowCaption)) return;

  CardVolume& card = state.card;
  controls.SetCaption(Label::Label1, "Skipped DIR region");
  controls.SetCaption(Label::Label2, "");
  controls.SetBusyPointer(true);
  if (!OpenHeaderSearch(state, controls, platform)) return;

  // Every sector boundary up to the end of the card, as the question promises;
  // a step count taken from SectorsPerFat would stop at a sixteenth of it.
  // The scan ends at the first block that one 1536-byte read would not
  // deliver whole, or at the 2048th file.
  state.FoundCount = 0;
  state.ScanOffset = kScanBase;
  WindowedBlockReader reader(card, kFileHeaderSize);
  const std::int64_t card_size = CardSize(card);
  while (state.FoundCount < kMostFiles) {
    state.ScanOffset += kSectorSize;
    std::int64_t windows_before = reader.windows_read();
    std::span<const std::byte> block = reader.BlockAt(state.ScanOffset);
    if (reader.windows_read() != windows_before) {
      controls.ReportProgress(reader.reached(), card_size);
    }
    if (block.empty()) break;
    if (!IsFileHeader(block)) continue;

    std::int64_t length = FileHeaderLength(block);
    FoundFile& file = state.found_files[static_cast<std::size_t>(state.FoundCount)];
    file.FileName = PaddedFileName("FOUND" + std::to_string(state.FoundCount) + ".KVX");
    file.StartOffset = state.ScanOffset;
    file.SizeByFat = length;
    file.SizeByHeader = length;
    controls.AppendLine(ListLine(file));
    ++state.FoundCount;
  }

  CloseHeaderSearch(state, controls);
}

}  // namespace kvx
