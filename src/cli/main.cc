// kvx-rescue-cli: the window's actions without a window, for scripts and tests.
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"
#include "cli/image_command.h"
#include "cli/interrupt_as_stop.h"
#include "cli/json_report.h"
#include "cli/progress_display.h"
#include "cli/text_report.h"
#include "controls/memory_controls.h"
#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"

namespace kvx {
namespace {

// The in-memory window, with a progress line on stderr (--progress) from
// ShowProgress() to EndProgress(), and Ctrl+C as the window's Esc.
class CliControls final : public MemoryControls {
 public:
  CliControls(bool progress, const InterruptAsStop& interrupt)
      : progress_(progress), interrupt_(interrupt) {}

  void ShowProgress(const char* action) {
    if (!progress_) return;
    display_.emplace(action, std::chrono::steady_clock::now, [](std::string_view text) {
      std::fwrite(text.data(), 1, text.size(), stderr);
      std::fflush(stderr);
    });
  }
  void EndProgress() {
    if (display_) display_->Finish();
    display_.reset();
  }

  void ReportProgress(std::int64_t done, std::int64_t total) override {
    if (display_) display_->Update(done, total);
  }
  bool StopRequested() override { return interrupt_.asked(); }

 private:
  bool progress_;
  const InterruptAsStop& interrupt_;
  std::optional<ProgressDisplay> display_;
};

void RunSearch(CliAction action, WindowState& state, CliControls& controls, Platform& platform) {
  switch (action) {
    case CliAction::kQuickSearch: QuickSearch(state, controls, platform); break;
    case CliAction::kExplore: Explore(state, controls, platform); break;
    // The command itself is the confirmation: the question is answered Yes.
    case CliAction::kCombThrough:
      controls.ShowProgress("comb");
      CombThrough(state, controls, platform);
      controls.EndProgress();
      break;
    case CliAction::kImage: break;  // not a search: Run hands it to the imager
  }
}

// Selects lines as clicks in the list would; the last one clicked is current.
void SelectLines(const CliOptions& options, MemoryControls& controls) {
  if (options.retrieve_all) {
    for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
  }
  for (int line : options.retrieve_lines) controls.Select(line);
}

// 130 after Ctrl+C, 1 when an action failed, otherwise 0.
int ExitStatus(const MemoryControls& controls, const InterruptAsStop& interrupt) {
  if (interrupt.asked()) return kInterruptedExitStatus;
  for (const Outcome& outcome : controls.outcomes) {
    if (outcome.kind == Outcome::kFailed) return 1;
  }
  return 0;
}

int ListDrives(const DriveMap& drives) {
  const std::vector<std::string> lines = DriveDescriptions(drives);
  // An empty list on stdout stays empty for scripts; a person is told why.
  if (lines.empty()) {
    std::fputs("kvx-rescue-cli: no card found: insert one, or give its device or image with "
               "--drive E=PATH\n", stderr);
  }
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return 0;
}

int Run(const CliOptions& options) {
  if (options.list_drives) return ListDrives(options.drives);
  auto platform = NewSystemPlatform(options.drives);
  if (options.action == CliAction::kImage) {
    ImagingOptions imaging;
    imaging.retries = options.retries;
    return RunImageCommand(*platform, options.letter, options.image_path, imaging,
                           options.progress);
  }
  auto state = std::make_unique<WindowState>();
  InterruptAsStop interrupt;
  CliControls controls(options.progress, interrupt);
  controls.text1 = options.letter;
  controls.text2 = options.target.value_or(DefaultTargetDirectory());

  RunSearch(options.action, *state, controls, *platform);
  Retrieval retrieval;
  // Hidden options and a disabled button cannot be clicked.
  if (options.size && controls.size_options_visible) {
    state->SizeMode = *options.size;
  }
  if (options.retrieves() && controls.retrieve_enabled && !interrupt.asked()) {
    SelectLines(options, controls);
    controls.ShowProgress("retrieve");
    retrieval = RetrieveFiles(*state, controls, *platform);
    controls.EndProgress();
  }

  // After the progress line has ended: one line per outcome.
  for (const Outcome& outcome : controls.outcomes) {
    std::fprintf(stderr, "kvx-rescue-cli: %s\n", outcome.text.c_str());
  }
  std::string report = options.json ? JsonReport(controls, retrieval.files) + "\n" : TextReport(controls);
  std::fwrite(report.data(), 1, report.size(), stdout);
  return ExitStatus(controls, interrupt);
}

}  // namespace
}  // namespace kvx

int main(int argc, char** argv) {
  kvx::IgnoreFileSizeSignal();
  std::vector<std::string> args(argv + 1, argv + argc);
  kvx::CliParse parse = kvx::ParseCliOptions(args);
  if (parse.options.help) {
    std::fputs(kvx::CliUsage().c_str(), stdout);
    return 0;
  }
  if (!parse.error.empty()) {
    std::fprintf(stderr, "kvx-rescue-cli: %s\n", parse.error.c_str());
    return 2;
  }
  return kvx::Run(parse.options);
}
