#include "ui/form/action_status.h"

#include <chrono>
#include <utility>

#include "search/imaging_captions.h"
#include "ui/form/status_text.h"

namespace kvx {

ActionStatus::ActionStatus(StatusBarView& bar, std::function<Clock::time_point()> now)
    : bar_(bar), now_(std::move(now)) {
  bar_.ShowProgressBar(std::nullopt);
  bar_.EnableStop(false);
}

void ActionStatus::ShowAtRest(const std::string& description) {
  at_rest_ = description;
  outcome_shown_ = false;
  if (!running_) bar_.ShowStatusText(at_rest_, false);
}

void ActionStatus::Begin(ActionKind kind) {
  running_ = true;
  kind_ = kind;
  stop_requested_ = false;
  close_requested_ = false;
  outcome_shown_ = false;
  began_ = now_();
  // The first report shows at once.
  last_report_ = began_ - kReportInterval;
  if (kind_ == ActionKind::kShort) return;
  static constexpr const char* kStarting[] = {"", "Reading the card", "Copying",
                                              "Imaging the card"};
  bar_.ShowStatusText(kStarting[static_cast<int>(kind_)], false);
  bar_.ShowProgressBar(0);
  bar_.EnableStop(true);
}

bool ActionStatus::End() {
  running_ = false;
  bar_.ShowProgressBar(std::nullopt);
  bar_.EnableStop(false);
  if (!outcome_shown_) bar_.ShowStatusText(at_rest_, false);
  return close_requested_;
}

bool ActionStatus::ReportDue() {
  if (!running_) return false;
  Clock::time_point now = now_();
  if (now - last_report_ < kReportInterval) return false;
  last_report_ = now;
  return true;
}

void ActionStatus::ImagingReport(const ImagingProgress& progress) {
  if (!ReportDue()) return;
  double seconds = std::chrono::duration<double>(last_report_ - began_).count();
  bar_.ShowStatusText(ImagingProgressText(progress, seconds), false);
  if (progress.card_size > 0 && progress.to_try >= 0 && progress.to_try <= progress.card_size) {
    bar_.ShowProgressBar(
        static_cast<int>((progress.card_size - progress.to_try) * 1000 / progress.card_size));
  }
  bar_.ProcessWindowEvents();
}

void ActionStatus::Progress(std::int64_t done, std::int64_t total) {
  if (!ReportDue()) return;
  double seconds = std::chrono::duration<double>(last_report_ - began_).count();
  bar_.ShowStatusText(
      ProgressText(kind_ == ActionKind::kCopy ? "Copied" : "Read", done, total, seconds), false);
  if (total > 0 && done >= 0 && done <= total) {
    bar_.ShowProgressBar(static_cast<int>(done * 1000 / total));
  }
  bar_.ProcessWindowEvents();
}

void ActionStatus::Report(const Outcome& outcome) {
  outcome_shown_ = true;
  bar_.ShowStatusText(StatusText(outcome), outcome.kind == Outcome::kFailed);
}

void ActionStatus::RequestStop() {
  if (running_ && kind_ != ActionKind::kShort) stop_requested_ = true;
}

bool ActionStatus::MayClose() {
  if (!running_) return true;
  close_requested_ = true;
  stop_requested_ = true;
  return false;
}

}  // namespace kvx
