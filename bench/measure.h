// Timing and memory figures: one run's wall time, the median of several, the
// peak resident memory of this process and of a program it runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvx::bench {

// Wall-clock seconds that `action` takes.
double Seconds(const std::function<void()>& action);

// REQUIRES: values is not empty.
double Median(std::vector<double> values);

// This process's peak resident memory so far, in KiB.
std::int64_t PeakRssKiB();

struct ChildRun {
  bool ran = false;  // started and exited with status 0
  double seconds = 0;
  std::int64_t peak_rss_kib = 0;
};

// Runs argv[0] (a path) with its arguments, output discarded, and waits for it.
// Its peak includes what this process held when it started the child (the
// kernel counts the pages a new process shares with its parent until exec),
// so run it while this process is small.
ChildRun RunChild(const std::vector<std::string>& argv);

}  // namespace kvx::bench
