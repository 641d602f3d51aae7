#include "retrieve/retrieve.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "card/card_prologue.h"
#include "platform/system_platform.h"
#include "retrieve/card_copy.h"
#include "retrieve/target_name.h"
#include "search/captions.h"

namespace kvx {

namespace {

// Large enough that a copy runs at the device's pace, small enough to stay a
// fixed, modest share of memory whatever the files' sizes.
constexpr std::size_t kCopyChunkSize = std::size_t{1} << 20;

std::int64_t ChosenSize(const WindowState& state, const FoundFile& file) {
  return state.SizeMode == SizeChoice::kByFat ? file.SizeByFat : file.SizeByHeader;
}

std::int64_t SelectedBytes(const WindowState& state, const Controls& controls) {
  std::int64_t total = 0;
  for (int line = 0; line < controls.LineCount(); ++line) {
    const FoundFile* file = state.FoundFiles.Record(line);
    if (file && controls.IsSelected(line))
      total += std::max<std::int64_t>(ChosenSize(state, *file), 0);
  }
  return total;
}

// Copies the selected lines from the last to the first. Returns at the first
// line that stops the run, after its message; the caller closes the card.
void CopySelectedLines(WindowState& state, Controls& controls, Platform& platform) {
  std::vector<std::byte> buffer(kCopyChunkSize);
  const std::int64_t total = SelectedBytes(state, controls);
  std::int64_t done_before = 0;

  for (int line = controls.LineCount() - 1; line >= 0; --line) {
    const FoundFile* file = state.FoundFiles.Record(line);
    if (file == nullptr || !controls.IsSelected(line)) continue;

    // Text2 is read for every file: it is the prefix exactly as typed.
    std::string path = controls.Text2() + TargetName(file->FileName, kNameCharactersRefusedHere);
    if (platform.FileExists(path)) {
      controls.ShowMessage(TargetExistsMessage(path), kExistsTitle);
      return;
    }
    std::unique_ptr<TargetFile> target = platform.CreateNewFile(path);
    if (target == nullptr) {
      controls.ShowMessage(kCannotCreateMessage, kApplicationTitle);
      return;
    }

    std::int64_t size = ChosenSize(state, *file);
    CopyResult result = CopyFromCard(
        state.Card, file->StartOffset, size, *target, buffer,
        [&](std::int64_t done) { controls.ReportProgress(done_before + done, total); });
    if (result == CopyResult::kWriteFailed) {
      target.reset();  // closed before the user looks at what was written
      controls.ShowMessage(kCannotWriteMessage, kApplicationTitle);
      return;
    }
    done_before += std::max<std::int64_t>(size, 0);
  }
}

}  // namespace

void Retrieve(WindowState& state, Controls& controls, Platform& platform) {
  if (!OpenCard(state.Card, platform, DriveLetterFromText(controls.Text1()))) {
    controls.ShowMessage(kCannotReadForRetrieveMessage, kApplicationTitle);
    return;
  }
  controls.SetBusyPointer(true);
  if (controls.SelectedCount() > 0 && controls.CurrentIndex() >= 0) {
    CopySelectedLines(state, controls, platform);
  }
  state.Card.VolumeHandle.reset();
  controls.SetBusyPointer(false);
}

}  // namespace kvx
