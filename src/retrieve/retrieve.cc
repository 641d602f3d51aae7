#include "retrieve/retrieve.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "card/card_prologue.h"
#include "platform/system_platform.h"
#include "retrieve/card_copy.h"
#include "retrieve/target_name.h"
#include "retrieve/unread_sectors_notes.h"
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
  return std::max<std::int64_t>(
      state.SizeMode == SizeChoice::kByFat ? file.SizeByFat : file.SizeByHeader, 0);
}

// The lines Retrieve copies: selected and describing a record.
struct Selection {
  int files = 0;
  std::int64_t bytes = 0;
};

Selection SelectionOf(const WindowState& state, const Controls& controls) {
  Selection selection;
  for (int line = 0; line < controls.LineCount(); ++line) {
    const FoundFile* file = state.FoundFiles.Record(line);
    if (file && controls.IsSelected(line)) {
      ++selection.files;
      selection.bytes += ChosenSize(state, *file);
    }
  }
  return selection;
}

// A target name as the user reads it: without the blanks that pad it.
std::string ShownName(std::string name) {
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

// Copies the selected lines from the last to the first. Returns at the first
// line that stops the run, after its message, with the outcome; the caller
// closes the card. `begun` gets every file whose copy began.
Outcome CopySelectedLines(WindowState& state, Controls& controls, Platform& platform,
                          std::vector<CopiedRange>& begun) {
  std::vector<std::byte> buffer(kCopyChunkSize);
  const Selection selection = SelectionOf(state, controls);
  std::int64_t done_before = 0;
  int copied = 0;
  auto partly = [&](Outcome::Kind kind, const std::string& why) {
    return Outcome{kind, CopiedPartlyOutcome(copied, selection.files, why)};
  };

  for (int line = controls.LineCount() - 1; line >= 0; --line) {
    const FoundFile* file = state.FoundFiles.Record(line);
    if (file == nullptr || !controls.IsSelected(line)) continue;

    // Text2 is read for every file.
    const std::string name = TargetName(file->FileName, kNameCharactersRefusedHere);
    std::string path = TargetPrefix(controls.Text2(), platform) + name;
    if (platform.FileExists(path)) {
      controls.ShowMessage(TargetExistsMessage(path), kExistsTitle);
      return partly(Outcome::kFailed, TargetExistsReason(ShownName(name)));
    }
    std::unique_ptr<TargetFile> target = platform.CreateNewFile(path);
    if (target == nullptr) {
      controls.ShowMessage(kCannotCreateMessage, kApplicationTitle);
      return partly(Outcome::kFailed, CannotCreateReason(ShownName(path), Why(platform.LastFailure(), Operation::kCreateFile)));
    }

    const std::int64_t size = ChosenSize(state, *file);
    begun.push_back({ShownName(name), file->StartOffset, size});
    std::int64_t written = 0;
    bool stop = false;
    CopyResult result =
        CopyFromCard(state.Card, file->StartOffset, size, *target, buffer, [&](std::int64_t done) {
          written = done;
          controls.ReportProgress(done_before + done, selection.bytes);
          stop = controls.StopRequested();
          return !stop;
        });
    const Status write_status = target->WriteStatus();
    target.reset();  // closed before the user looks at what was written
    if (result == CopyResult::kWriteFailed) {
      controls.ShowMessage(kCannotWriteMessage, kApplicationTitle);
      return partly(Outcome::kFailed, CannotWriteReason(ShownName(name), written,
                                                        Why(write_status, Operation::kWriteFile)));
    }
    if (result == CopyResult::kStopped) {
      return partly(Outcome::kStopped, StoppedCopyReason(ShownName(name), written, size));
    }
    ++copied;
    done_before += size;
    // Asked during the file's last read: the file is whole, the next not begun.
    if (stop) return partly(Outcome::kStopped, kStoppedBetweenFilesReason);
  }
  return {Outcome::kDone, CopiedOutcome(copied, done_before, controls.Text2())};
}

}  // namespace

void Retrieve(WindowState& state, Controls& controls, Platform& platform) {
  if (!OpenListedCard(state, controls, platform)) {
    controls.ShowMessage(kCannotReadForRetrieveMessage, kApplicationTitle);
    controls.ReportOutcome({Outcome::kFailed, CardFailure(platform.LastFailure())});
    return;
  }
  controls.SetBusyPointer(true);
  Outcome outcome{Outcome::kDone, kNothingSelectedOutcome};
  if (controls.SelectedCount() > 0 && controls.CurrentIndex() >= 0) {
    std::vector<CopiedRange> begun;
    outcome = CopySelectedLines(state, controls, platform, begun);
    const std::optional<VolumeLocation> location =
        state.ListedCard ? state.ListedCard
                         : platform.LocationOf(DriveLetterFromText(controls.Text1()));
    if (location) {
      outcome.text += UnreadSectorsNotes(platform, *location, *state.Card.VolumeHandle, begun);
    }
  }
  state.Card.VolumeHandle.reset();
  controls.SetBusyPointer(false);
  controls.ReportOutcome(outcome);
}

}  // namespace kvx
