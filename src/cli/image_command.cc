#include "cli/image_command.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include "card/card_prologue.h"
#include "cli/interrupt_as_stop.h"
#include "cli/progress_display.h"

namespace kvx {

namespace {

std::string Bytes(std::int64_t n) { return std::to_string(n) + " bytes"; }

}  // namespace

std::string ImageSummary(const ImageResult& result, const std::string& image_path) {
  const std::string map_path = MapPathOf(image_path);
  const std::string counts = Bytes(result.bytes_read) + " read, " + Bytes(result.bytes_unread) +
                             " unreadable in " + std::to_string(result.unread_ranges) +
                             " range(s), " + Bytes(result.bytes_untried) + " not tried";
  switch (result.outcome) {
    case ImageOutcome::kImaged:
      return "Imaged " + Bytes(result.card_size) + " into " + image_path + ": " + counts +
             "; the map is " + map_path;
    case ImageOutcome::kStopped:
      return "Stopped: " + counts + "; " + map_path + " tells which";
    case ImageOutcome::kSizeUnknown:
      return "the card does not tell its size; nothing was written";
    case ImageOutcome::kImageExists:
      return image_path + " exists; nothing was written";
    case ImageOutcome::kMapExists:
      return map_path + " exists; nothing was written";
    case ImageOutcome::kCannotCreateImage:
      return "cannot create " + image_path + "; nothing was written";
    case ImageOutcome::kCannotCreateMap:
      return "cannot create " + map_path + "; " + image_path + " was left empty";
    case ImageOutcome::kImageWriteFailed:
      return "writing " + image_path + " failed: " + counts + "; " + map_path + " tells which";
    case ImageOutcome::kMapInvalid:
    case ImageOutcome::kMapForeign:
    case ImageOutcome::kCardLost:
    case ImageOutcome::kMapWriteFailed:
      return "writing " + map_path + " failed; " + image_path + " holds " + counts;
  }
  return {};
}

int RunImageCommand(Platform& platform, const std::string& letter_text,
                    const std::string& image_path, bool progress) {
  const std::string letter = DriveLetterFromText(letter_text);
  std::unique_ptr<Volume> card = platform.OpenVolume(letter);
  if (!card) {
    std::fprintf(stderr, "kvx-rescue-cli: cannot open drive %s; nothing was written\n",
                 letter.c_str());
    return 1;
  }
  std::optional<ProgressDisplay> display;
  if (progress) {
    display.emplace("image", std::chrono::steady_clock::now, [](std::string_view text) {
      std::fwrite(text.data(), 1, text.size(), stderr);
      std::fflush(stderr);
    });
  }
  InterruptAsStop interrupt;
  ImageResult result = ImageCard(
      *card, platform, image_path, ImagingOptions{},
      [&](const ImagingProgress& report) {
        if (display) display->Update(report.pass_done, report.pass_total);
      },
      [&] { return interrupt.asked(); });
  if (display) display->Finish();

  const bool reported =
      result.outcome == ImageOutcome::kImaged || result.outcome == ImageOutcome::kStopped;
  const std::string summary = ImageSummary(result, image_path);
  if (reported) {
    std::printf("%s\n", summary.c_str());
  } else {
    std::fprintf(stderr, "kvx-rescue-cli: %s\n", summary.c_str());
  }
  if (interrupt.asked()) return kInterruptedExitStatus;
  return result.outcome == ImageOutcome::kImaged ? 0 : 1;
}

}  // namespace kvx
