// The action running in the window, one at a time, and what the status bar
// says about it: at rest what the letter in Text1 names; during a long action
// its progress, at most ten times a second, while the window handles its
// paint and window-system events; afterwards the action's outcome.
//
// Also holds the requests that reach a running action from the window: stop
// (Esc, the Stop button) and close, which stops the action and closes the
// window once it has ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "controls/outcome.h"
#include "imaging/card_imager.h"
#include "ui/form/status_bar_view.h"

namespace kvx {

// A short action (Quick Search) cannot be stopped; the long ones read the
// card through (Explore, Comb Through), copy from it (Retrieve) or image it.
enum class ActionKind { kShort, kRead, kCopy, kImage };

class ActionStatus {
 public:
  using Clock = std::chrono::steady_clock;
  // The shortest time between two progress reports the bar shows.
  static constexpr Clock::duration kReportInterval = std::chrono::milliseconds(100);

  // `bar` outlives this; `now` tells the time (a test's clock, say).
  explicit ActionStatus(StatusBarView& bar, std::function<Clock::time_point()> now = &Clock::now);

  bool Running() const { return running_; }

  // What the letter in Text1 names; shown now when no action runs and no
  // outcome is to be read, else once the next action has ended.
  void ShowAtRest(const std::string& description);

  // An action starts: no request of an earlier one carries over.
  void Begin(ActionKind kind);
  // The action has ended; true when the window was asked to close meanwhile.
  bool End();

  // What the action reports through the controls port.
  void Progress(std::int64_t done, std::int64_t total);
  void Report(const Outcome& outcome);
  // How far imaging has come: its pass, what is rescued and what is left.
  void ImagingReport(const ImagingProgress& progress);
  bool StopRequested() const { return stop_requested_; }

  // Esc or Stop: a running long action is asked to stop after its read.
  void RequestStop();
  // The window is asked to close: true when it may close now; else the
  // action running is asked to stop and End() answers true.
  bool MayClose();

 private:
  StatusBarView& bar_;
  std::function<Clock::time_point()> now_;
  std::string at_rest_;
  bool running_ = false;
  ActionKind kind_ = ActionKind::kShort;
  bool stop_requested_ = false;
  bool close_requested_ = false;
  bool outcome_shown_ = false;
  // True when the bar may show another report now; handles the window's
  // events either way.
  bool ReportDue();

  Clock::time_point began_{};
  Clock::time_point last_report_{};
};

}  // namespace kvx
