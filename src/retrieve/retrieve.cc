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

// Text2 as the start of every target path: a directory typed without its
// final separator gets one, so the files go into it and not beside it.
std::string TargetPrefix(const std::string& text2, Platform& platform) {
  if (text2.empty() || kPathSeparatorsHere.find(text2.back()) != std::string_view::npos ||
      !platform.DirectoryExists(text2)) {
    return text2;
  }
  return text2 + kPathSeparatorsHere.front();
}

// Opens the card the list came from: the offsets and names in the list are
// that card's, whatever Text1 holds by now. Before any search, Text1's card.
bool OpenListedCard(WindowState& state, Controls& controls, Platform& platform) {
  if (!state.ListedCard) {
    return OpenCard(state.Card, platform, DriveLetterFromText(controls.Text1()));
  }
  state.Card.VolumeHandle.reset();
  state.Card.VolumeHandle = platform.OpenVolumeAt(*state.ListedCard);
  return state.Card.VolumeHandle != nullptr;
}

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

    // Text2 is read for every file.
    std::string path = TargetPrefix(controls.Text2(), platform) +
                       TargetName(file->FileName, kNameCharactersRefusedHere);
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
  if (!OpenListedCard(state, controls, platform)) {
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
