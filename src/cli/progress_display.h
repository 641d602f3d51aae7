// The front end's progress line for the long actions (--progress): the action,
// bytes done, of the total when it is known, and the rate so far, in decimal
// megabytes; or a line the action makes itself.
//
// The line is rewritten in place ("\r") at most ten times a second, so a scan
// that reports every megabyte does not spend its time printing; Finish()
// writes the last figures and ends the line. The clock and the output are
// handed in, so tests control both.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kvx {

// "12.6 MB of 1073.7 MB (1%), 85.2 MB/s"; without the total when it is 0 or
// less (unknown), without the rate when no time has passed.
std::string ProgressLine(std::int64_t done, std::int64_t total, double seconds);

class ProgressDisplay {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  using Sink = std::function<void(std::string_view)>;

  // Starts timing the action now; its lines begin with `action` and ": ".
  ProgressDisplay(std::string action, Clock clock, Sink sink);

  // Shows the figures when the last line shown is at least 0.1 s old.
  void Update(std::int64_t done, std::int64_t total);
  // Likewise, with the line `text` makes after the action's name; `text` is
  // called only when a line is shown, and is kept for Finish.
  void UpdateText(std::function<std::string()> text);
  // Shows the last figures and ends the line; nothing when no update came.
  void Finish();

 private:
  void Show(std::chrono::steady_clock::time_point now);

  std::string action_;
  Clock clock_;
  Sink sink_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_shown_;
  bool updated_ = false;
  bool shown_ = false;
  std::int64_t done_ = 0;
  std::int64_t total_ = 0;
  std::function<std::string()> text_;
  std::size_t shown_width_ = 0;
};

}  // namespace kvx
