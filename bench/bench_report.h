// The benchmark's findings as the user reads them: one table of the actions,
// then one line per target saying whether it is met.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvx::bench {

struct ActionRow {
  std::string action;
  int runs = 0;
  double seconds = 0;        // the median of the runs
  std::int64_t bytes = 0;    // what one run reads or copies; 0: no rate shown
  double limit_seconds = 0;  // the plain way's time for the same work; 0: none
};

struct Target {
  std::string what;      // "Comb Through <= 1.25 x sequential read"
  std::string measured;  // "1.07 x"
  bool met = false;
};

// The table: action, runs, median seconds, MB/s (decimal megabytes), and the
// ratio of the median to the limit's.
std::string ActionTable(const std::vector<ActionRow>& rows);

// One line per target, "met" or "not met", after the figure measured.
std::string TargetLines(const std::vector<Target>& targets);

// One figure as printf's `format` (with one double conversion) writes it.
std::string Figure(const char* format, double value);

}  // namespace kvx::bench
