#include "cli/image_command.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include "card/card_prologue.h"
#include "cli/interrupt_as_stop.h"
#include "cli/progress_display.h"
#include "search/imaging_captions.h"

namespace kvx {

int RunImageCommand(Platform& platform, const std::string& letter_text,
                    const std::string& image_path, const ImagingOptions& options, bool progress) {
  const std::string letter = DriveLetterFromText(letter_text);
  Result<std::unique_ptr<Volume>> card = platform.OpenVolume(letter);
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
  // Each pass has its own rate and time left, timed from its first report.
  ImagingProgress last;
  auto pass_began = std::chrono::steady_clock::now();
  ImageResult result = ImageCard(
      **card, platform, image_path, options,
      [&](const ImagingProgress& report) {
        if (!display) return;
        if (report.phase != last.phase || report.retry != last.retry) {
          pass_began = std::chrono::steady_clock::now();
        }
        last = report;
        display->UpdateText([&] {
          std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - pass_began;
          return ImagingProgressText(last, seconds.count());
        });
      },
      [&] { return interrupt.asked(); });
  if (display) display->Finish();

  const bool reported =
      result.outcome == ImageOutcome::kImaged || result.outcome == ImageOutcome::kStopped;
  const std::string summary = ImageOutcomeText(result, image_path);
  if (reported) {
    std::printf("%s\n", summary.c_str());
  } else {
    std::fprintf(stderr, "kvx-rescue-cli: %s\n", summary.c_str());
  }
  if (interrupt.asked()) return kInterruptedExitStatus;
  return result.outcome == ImageOutcome::kImaged && result.digest_file != DigestFile::kFailed ? 0
                                                                                              : 1;
}

}  // namespace kvx
