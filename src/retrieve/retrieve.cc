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

namespace kvx {

namespace {

// Large enough that a copy runs at the device's pace, small enough to stay a
// fixed, modest share of memory whatever the files' sizes.
constexpr std::size_t kCopyChunkSize = std::size_t{1} << 20;

// The record that line `line` describes, or nullptr for a line past the table.
const FoundFile* RecordOf(const WindowState& state, int line) {
  if (line < 0 || static_cast<std::size_t>(line) >= state.found_files.size()) return nullptr;
  return &state.found_files[static_cast<std::size_t>(line)];
}

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
    return OpenCard(state.card, platform, DriveLetterFromText(controls.Text1()));
  }
  state.card.VolumeHandle.reset();
  state.card.VolumeHandle = platform.OpenVolumeAt(*state.ListedCard);
  return state.card.VolumeHandle != nullptr;
}

std::int64_t ChosenSize(const WindowState& state, const FoundFile& file) {
  return state.SizeMode == 1 ? file.SizeByFat : file.SizeByHeader;
}

std::int64_t SelectedBytes(const WindowState& state, const Controls& controls) {
  std::int64_t total = 0;
  for (int line = 0; line < controls.LineCount(); ++line) {
    const FoundFile* file = RecordOf(state, line);
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
    const FoundFile* file = RecordOf(state, line);
    if (file == nullptr || !controls.IsSelected(line)) continue;

    // Text2 is read for every file.
    std::string path = TargetPrefix(controls.Text2(), platform) +
                       TargetName(file->FileName, kNameCharactersRefusedHere);
    if (platform.FileExists(path)) {
      controls.ShowMessage(path + " exists, please select a different directory", "Recovery file");
      return;
    }
    std::unique_ptr<TargetFile> target = platform.CreateNewFile(path);
    if (target == nullptr) {
      controls.ShowMessage("Can't create target file...", kApplicationTitle);
      return;
    }

    std::int64_t size = ChosenSize(state, *file);
    CopyResult result = CopyFromCard(
        state.card, file->StartOffset, size, *target, buffer,
        [&](std::int64_t done) { controls.ReportProgress(done_before + done, total); });
    if (result == CopyResult::kWriteFailed) {
      target.reset();  // closed before the user looks at what was written
      controls.ShowMessage("Can't write target file...", kApplicationTitle);
      return;
    }
    done_before += std::max<std::int64_t>(size, 0);
  }
}

}  // namespace

void Retrieve(WindowState& state, Controls& controls, Platform& platform) {
  if (!OpenListedCard(state, controls, platform)) {
    controls.ShowMessage("Can't read from SD, please resite the SD and try again",
                         kApplicationTitle);
    return;
  }
  controls.SetBusyPointer(true);
  if (controls.SelectedCount() > 0 && controls.CurrentIndex() >= 0) {
    CopySelectedLines(state, controls, platform);
  }
  state.card.VolumeHandle.reset();
  controls.SetBusyPointer(false);
}

}  // namespace kvx
