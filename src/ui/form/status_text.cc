#include "ui/form/status_text.h"

#include <cmath>
#include <cstdio>

namespace kvx {

namespace {

// Below this many seconds of reading, a rate would be mostly noise.
constexpr double kShortestMeasure = 0.1;

}  // namespace

std::string ProgressText(const char* verb, std::int64_t done, std::int64_t total, double seconds) {
  std::string text = std::string(verb) + " " + ByteCount(done);
  const bool total_known = total > 0 && done <= total;
  if (total_known) {
    text += " of " + ByteCount(total) + " (" + std::to_string(done * 100 / total) + " %)";
  }
  if (seconds >= kShortestMeasure && done > 0) {
    double rate = static_cast<double>(done) / seconds;
    text += ", " + ByteCount(static_cast<std::int64_t>(rate)) + "/s";
    if (total_known) {
      auto left = static_cast<std::int64_t>(std::ceil(static_cast<double>(total - done) / rate));
      text += ", " + Duration(left) + " left";
    }
  }
  return text;
}

std::string StatusText(const Outcome& outcome) {
  return outcome.kind == Outcome::kFailed ? "Failed: " + outcome.text : outcome.text;
}

}  // namespace kvx
