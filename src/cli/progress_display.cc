#include "cli/progress_display.h"

#include <cstdio>

namespace kvx {

namespace {

constexpr auto kLeastInterval = std::chrono::milliseconds(100);
constexpr double kMegabyte = 1e6;

std::string Megabytes(std::int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f MB", static_cast<double>(bytes) / kMegabyte);
  return text;
}

}  // namespace

std::string ProgressLine(std::int64_t done, std::int64_t total, double seconds) {
  std::string line = Megabytes(done);
  if (total > 0) {
    line += " of " + Megabytes(total) + " (" + std::to_string(done * 100 / total) + "%)";
  }
  if (seconds > 0) {
    char rate[32];
    std::snprintf(rate, sizeof(rate), ", %.1f MB/s",
                  static_cast<double>(done) / kMegabyte / seconds);
    line += rate;
  }
  return line;
}

ProgressDisplay::ProgressDisplay(std::string action, Clock clock, Sink sink)
    : action_(std::move(action)),
      clock_(std::move(clock)),
      sink_(std::move(sink)),
      start_(clock_()) {}

void ProgressDisplay::Update(std::int64_t done, std::int64_t total) {
  done_ = done;
  total_ = total;
  updated_ = true;
  auto now = clock_();
  if (!shown_ || now - last_shown_ >= kLeastInterval) Show(now);
}

void ProgressDisplay::UpdateText(std::function<std::string()> text) {
  text_ = std::move(text);
  updated_ = true;
  auto now = clock_();
  if (!shown_ || now - last_shown_ >= kLeastInterval) Show(now);
}

void ProgressDisplay::Finish() {
  if (!updated_) return;
  Show(clock_());
  sink_("\n");
}

void ProgressDisplay::Show(std::chrono::steady_clock::time_point now) {
  std::string line =
      action_ + ": " +
      (text_ ? text_()
             : ProgressLine(done_, total_, std::chrono::duration<double>(now - start_).count()));
  std::size_t width = line.size();
  // Blanks over what is left of a longer line shown before.
  if (width < shown_width_) line.append(shown_width_ - width, ' ');
  shown_width_ = width;
  sink_("\r" + line);
  last_shown_ = now;
  shown_ = true;
}

}  // namespace kvx
