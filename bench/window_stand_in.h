// Two stand-ins for the window a long action reports to, so the bench can
// tell what reporting costs: one that takes no reports and never stops, and
// one that does what a window does per report, a clock read and, ten times a
// second, a pass over its events (here a check whether Esc was pressed).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "controls/memory_controls.h"

namespace kvx::bench {

class SilentWindow final : public MemoryControls {
 public:
  void ReportProgress(std::int64_t, std::int64_t) override {}
  bool StopRequested() override { return false; }
};

class EventProcessingWindow final : public MemoryControls {
 public:
  void ReportProgress(std::int64_t done, std::int64_t total) override {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_pass_ < std::chrono::milliseconds(100)) return;
    last_pass_ = now;
    shown_done_ = done;
    shown_total_ = total;
    ++passes_;
  }
  bool StopRequested() override { return escape_pressed_.load(std::memory_order_relaxed); }

  std::int64_t passes() const { return passes_; }

 private:
  std::chrono::steady_clock::time_point last_pass_{};
  std::int64_t shown_done_ = 0, shown_total_ = 0, passes_ = 0;
  std::atomic<bool> escape_pressed_{false};
};

}  // namespace kvx::bench
