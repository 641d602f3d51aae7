#include "bench/bench_report.h"

#include <cstdio>

namespace kvx::bench {

std::string ActionTable(const std::vector<ActionRow>& rows) {
  std::string table;
  char line[200];
  std::snprintf(line, sizeof(line), "%-36s %4s %10s %10s %9s\n", "action", "runs", "median s",
                "MB/s", "x limit");
  table += line;
  for (const ActionRow& row : rows) {
    std::string rate = row.bytes > 0 && row.seconds > 0
                           ? Figure("%.1f", static_cast<double>(row.bytes) / 1e6 / row.seconds)
                           : "-";
    std::string ratio =
        row.limit_seconds > 0 ? Figure("%.2f", row.seconds / row.limit_seconds) : "-";
    std::snprintf(line, sizeof(line), "%-36s %4d %10.6f %10s %9s\n", row.action.c_str(), row.runs,
                  row.seconds, rate.c_str(), ratio.c_str());
    table += line;
  }
  return table;
}

std::string TargetLines(const std::vector<Target>& targets) {
  std::string lines;
  for (const Target& target : targets) {
    lines += target.what + ": " + target.measured + " - " + (target.met ? "met" : "not met") + "\n";
  }
  return lines;
}

std::string Figure(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

}  // namespace kvx::bench
