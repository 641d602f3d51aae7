#include "ui/form/status_text.h"

#include <cmath>
#include <cstdio>

namespace kvx {

namespace {

// Below this many seconds of reading, a rate would be mostly noise.
constexpr double kShortestMeasure = 0.1;

std::string Formatted(const char* format, double value, const char* unit) {
  char text[32];
  std::snprintf(text, sizeof(text), format, value, unit);
  return text;
}

}  // namespace

std::string ByteCount(std::int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  // 1023.96 MB would print as "1024.0 MB": such a value moves up a unit.
  while (unit < 3 && value >= 1023.95) {
    value /= 1024;
    ++unit;
  }
  return Formatted(unit == 0 ? "%.0f %s" : "%.1f %s", unit == 0 ? std::floor(value) : value,
                   kUnits[unit]);
}

std::string Duration(std::int64_t seconds) {
  if (seconds < 60) return std::to_string(seconds) + " s";
  if (seconds < 3600) {
    return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
  }
  return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

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
