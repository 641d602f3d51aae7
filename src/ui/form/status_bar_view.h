// The status bar under the form as the toolkit-free form drives it; each
// window implements it over its own status bar.
#pragma once

#include <optional>
#include <string>

namespace kvx {

class StatusBarView {
 public:
  virtual ~StatusBarView() = default;

  // The bar's line of text; a failure is drawn so that it reads as one.
  virtual void ShowStatusText(const std::string& text, bool failure) = 0;
  // The progress bar at `per_mille` thousandths; nullopt hides it.
  virtual void ShowProgressBar(std::optional<int> per_mille) = 0;
  virtual void EnableStop(bool enabled) = 0;
  // Handles the window system's pending events (paint, move, timers, close)
  // and no user input but Esc and a click on Stop, so the window stays alive
  // while an action runs on its thread.
  virtual void ProcessWindowEvents() = 0;
};

}  // namespace kvx
