#include "retrieve/retrieve.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "card/card_prologue.h"
#include "platform/io_buffer.h"
#include "platform/sha256_alongside.h"
#include "platform/sha256sum_line.h"
#include "platform/system_platform.h"
#include "platform/target_path.h"
#include "retrieve/card_copy.h"
#include "retrieve/rescue_record.h"
#include "retrieve/rescue_report.h"
#include "retrieve/target_name.h"
#include "retrieve/unread_sectors_notes.h"
#include "search/captions.h"

namespace kvx {

namespace {

// Large enough that a copy runs at the device's pace, small enough to stay a
// fixed, modest share of memory whatever the files' sizes.
constexpr std::size_t kCopyChunkSize = std::size_t{1} << 20;
constexpr std::size_t kCopyBuffers = 8;

// The copy's buffers, taken in turn from one file to the next, and the
// digests' thread. SHA-256 runs slower than a copy from the system's cache:
// the thread hashes up to all but one of the buffers behind the copy, and
// goes on through the file's second read (which has buffers of its own) and
// into the next file's copy; the digests are taken once every file is done.
struct CopyPipeline {
  std::vector<IoBuffer> buffers = std::vector<IoBuffer>(kCopyBuffers, IoBuffer(kCopyChunkSize));
  const std::vector<std::span<std::byte>> spans{buffers.begin(), buffers.end()};
  BufferRing ring{spans};
  IoBuffer card_again = IoBuffer(kCopyChunkSize), file_back = IoBuffer(kCopyChunkSize);
  Sha256Alongside hash{kCopyBuffers - 1};  // after the buffers: ends before them
  std::vector<std::size_t> hashed;  // the files whose digests come, in order

  // Gives each file in `hashed` its digest, where the whole file read back.
  void TakeDigests(std::vector<RetrievedFile>& files) {
    for (std::size_t i : hashed) {
      const Sha256Digest digest = hash.TakeDigest();
      if (files[i].second_read.outcome != SecondRead::kFileUnreadable) files[i].digest = digest;
    }
    hashed.clear();
  }
};

// Text2 as the start of every target path: a directory typed without its
// final separator gets one, so the files go into it and not beside it.
std::string TargetPrefix(const std::string& text2, Platform& platform) {
  if (text2.empty() || kPathSeparatorsHere.find(text2.back()) != std::string_view::npos ||
      !platform.DirectoryExists(text2)) {
    return text2;
  }
  return text2 + kPathSeparatorsHere.front();
}

// The directory part of a target prefix: up to its last separator, or empty
// for the current directory. The rescue's record goes there.
std::string DirectoryOf(const std::string& prefix) {
  const std::size_t end = prefix.find_last_of(kPathSeparatorsHere);
  return end == std::string::npos ? std::string() : prefix.substr(0, end + 1);
}

// Opens the card the list came from: the offsets and names in the list are
// that card's, whatever Text1 holds by now. Before any search, Text1's card.
// Returns why it did not open, or OK.
Status OpenListedCard(WindowState& state, Controls& controls, Platform& platform) {
  if (!state.ListedCard) {
    return OpenCard(state.Card, platform, DriveLetterFromText(controls.Text1()));
  }
  state.Card.VolumeHandle.reset();
  state.Card.LastRead = Status();
  Result<std::unique_ptr<Volume>> opened = platform.OpenVolumeAt(*state.ListedCard);
  if (!opened) return opened.status();
  state.Card.VolumeHandle = std::move(opened).value();
  return Status();
}

std::int64_t SizeOf(const FoundFile& file, SizeChoice choice) {
  return std::max<std::int64_t>(choice == SizeChoice::kByFat ? file.SizeByFat : file.SizeByHeader,
                                0);
}

SizeChoice Other(SizeChoice choice) {
  return choice == SizeChoice::kByFat ? SizeChoice::kByHeader : SizeChoice::kByFat;
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
      selection.bytes += SizeOf(*file, state.SizeMode);
    }
  }
  return selection;
}

// A target name as the user reads it: without the blanks that pad it.
std::string ShownName(std::string name) {
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

// Copies the selected lines from the last to the first, each followed by its
// second read; each file read counts twice in the progress, once per read.
// Returns at the first line that stops the run, after its message, with the
// outcome; the caller closes the card. `begun` gets every file whose copy
// began, `retrieved` every file copied.
Outcome CopySelectedLines(WindowState& state, Controls& controls, Platform& platform,
                          CopyPipeline& pipeline, std::vector<CopiedRange>& begun,
                          std::vector<RetrievedFile>& retrieved) {
  const Selection selection = SelectionOf(state, controls);
  const std::int64_t total = 2 * selection.bytes;
  std::int64_t done_before = 0;  // of `total`, by the files before this one
  std::int64_t copied_bytes = 0;
  int copied = 0;
  auto partly = [&](Outcome::Kind kind, const std::string& why) {
    return Outcome{kind, CopiedPartlyOutcome(copied, selection.files, why)};
  };

  for (int line = controls.LineCount() - 1; line >= 0; --line) {
    const FoundFile* file = state.FoundFiles.Record(line);
    if (file == nullptr || !controls.IsSelected(line)) continue;

    // Text2 is read for every file.
    const std::string name = TargetName(file->FileName, kNameCharactersRefusedHere);
    const std::string shown = ShownName(name);
    std::string path = TargetPrefix(controls.Text2(), platform) + name;
    if (platform.FileExists(path)) {
      controls.ShowMessage(TargetExistsMessage(path), kExistsTitle);
      return partly(Outcome::kFailed, TargetExistsReason(shown));
    }
    Result<std::unique_ptr<TargetFile>> created = platform.CreateNewFile(path);
    if (!created) {
      controls.ShowMessage(kCannotCreateMessage, kApplicationTitle);
      return partly(Outcome::kFailed, CannotCreateReason(ShownName(path), Why(created.status(), Operation::kCreateFile)));
    }
    std::unique_ptr<TargetFile> target = std::move(created).value();

    const std::int64_t size = SizeOf(*file, state.SizeMode);
    begun.push_back({shown, file->StartOffset, size});
    bool stop = false;
    std::int64_t pass_done = 0;
    auto report_progress = [&](std::int64_t done) {
      pass_done = done;
      controls.ReportProgress(done_before + done, total);
      stop = controls.StopRequested();
      return !stop;
    };
    const CopyEnd copy =
        CopyFromCard(state.Card, file->StartOffset, size, *target, pipeline.ring, pipeline.hash,
                     report_progress);
    target.reset();  // closed before the user looks at what was written
    if (copy.result == CopyResult::kWriteFailed) {
      controls.ShowMessage(kCannotWriteMessage, kApplicationTitle);
      return partly(Outcome::kFailed, CannotWriteReason(shown, copy.written,
                                                        Why(copy.write_status, Operation::kWriteFile)));
    }
    if (copy.result == CopyResult::kStopped) {
      return partly(Outcome::kStopped, StoppedCopyReason(shown, copy.written, size));
    }
    ++copied;
    copied_bytes += size;
    done_before += size;

    RetrievedFile& done = retrieved.emplace_back();
    done.name = shown;
    done.path = WithoutTrailingBlanks(path);
    done.card_offset = file->StartOffset;
    done.size = size;
    done.other_size = SizeOf(*file, Other(state.SizeMode));
    done.written = copy.written;
    // Asked during the file's last read: the file is whole, not read again.
    if (stop) {
      done.second_read.outcome = SecondRead::kStopped;
      return partly(Outcome::kStopped, kStoppedBetweenFilesReason);
    }
    if (Result<std::unique_ptr<Volume>> back = platform.OpenFileToRead(done.path)) {
      done.second_read = ReadSecondTime(state.Card, file->StartOffset, copy.written, **back,
                                        pipeline.card_again, pipeline.file_back,
                                        report_progress);
    } else {
      done.second_read.outcome = SecondRead::kFileUnreadable;
    }
    if (done.second_read.outcome == SecondRead::kStopped) {
      return partly(Outcome::kStopped, StoppedSecondReadReason(shown, pass_done, size));
    }
    pipeline.hash.EndStream();
    pipeline.hashed.push_back(retrieved.size() - 1);
    done_before += size;
    if (stop) return partly(Outcome::kStopped, kStoppedBetweenFilesReason);
  }
  return {Outcome::kDone, CopiedOutcome(copied, copied_bytes, controls.Text2())};
}

// The outcome's notes on each second read that did not match; marks the
// outcome failed where one did not.
void AddSecondReadNotes(const std::vector<RetrievedFile>& files, Outcome& outcome) {
  for (const RetrievedFile& file : files) {
    const SecondReadResult& second = file.second_read;
    switch (second.outcome) {
      case SecondRead::kMatched:
      case SecondRead::kStopped: continue;
      case SecondRead::kDiffers: outcome.text += SecondReadDiffersNote(file.name, second.at); break;
      case SecondRead::kCardFailed:
        outcome.text += SecondReadFailedNote(file.name, second.at,
                                             Why(second.card_status, Operation::kReadCard));
        break;
      case SecondRead::kFileUnreadable:
        outcome.text += ReadBackFailedNote(file.name, second.at);
        break;
    }
    outcome.kind = Outcome::kFailed;
  }
}

std::string ManifestOf(const std::vector<RetrievedFile>& files, const std::string& directory) {
  std::string manifest;
  for (const RetrievedFile& file : files) {
    if (file.digest) {
      manifest += Sha256sumLine(*file.digest, file.path.substr(directory.size()));
    }
  }
  return manifest;
}

}  // namespace

Retrieval RetrieveFiles(WindowState& state, Controls& controls, Platform& platform) {
  Retrieval retrieval;
  if (const Status opened = OpenListedCard(state, controls, platform); !opened.ok()) {
    controls.ShowMessage(kCannotReadForRetrieveMessage, kApplicationTitle);
    controls.ReportOutcome({Outcome::kFailed, CardFailure(opened)});
    return retrieval;
  }
  controls.SetBusyPointer(true);
  Outcome outcome{Outcome::kDone, kNothingSelectedOutcome};
  if (controls.SelectedCount() > 0 && controls.CurrentIndex() >= 0) {
    std::vector<CopiedRange> begun;
    CopyPipeline pipeline;
    outcome = CopySelectedLines(state, controls, platform, pipeline, begun, retrieval.files);
    pipeline.TakeDigests(retrieval.files);
    AddSecondReadNotes(retrieval.files, outcome);
    const std::optional<VolumeLocation> location =
        state.ListedCard ? state.ListedCard
                         : platform.LocationOf(DriveLetterFromText(controls.Text1()));
    if (location) {
      outcome.text += UnreadSectorsNotes(platform, *location, *state.Card.VolumeHandle, begun);
    }
    // Every copied file was begun, in the same order.
    for (std::size_t i = 0; i < retrieval.files.size(); ++i) {
      retrieval.files[i].unread = begun[i].unread;
    }
    if (!retrieval.files.empty()) {
      RescueFacts facts;
      facts.created = platform.Now();
      facts.search = state.ListedBy;
      if (facts.search.letter.empty()) facts.search.letter = DriveLetterFromText(controls.Text1());
      facts.card_path = location ? LocationText(*location) : facts.search.letter;
      facts.card_size = state.Card.VolumeHandle->Size();
      facts.size_mode = state.SizeMode;
      facts.files = retrieval.files;
      const std::string directory = DirectoryOf(retrieval.files.front().path);
      RecordWritten record = WriteRescueRecord(
          platform, directory, facts.created, ManifestOf(retrieval.files, directory),
          [&](const std::string& manifest_name) {
            facts.manifest = manifest_name;
            return RescueReportJson(facts);
          });
      outcome.text += record.note;
      if (!record.ok) outcome.kind = Outcome::kFailed;
      if (record.ok) retrieval.manifest = record.manifest_name;
    }
  }
  state.Card.VolumeHandle.reset();
  controls.SetBusyPointer(false);
  controls.ReportOutcome(outcome);
  return retrieval;
}

void Retrieve(WindowState& state, Controls& controls, Platform& platform) {
  RetrieveFiles(state, controls, platform);
}

}  // namespace kvx
