// The status bar's texts: amounts of bytes, times, progress and outcomes.
#pragma once

#include <cstdint>
#include <string>

#include "controls/outcome.h"
#include "search/captions.h"

namespace kvx {

// "Read 1.2 GB of 1.9 GB (63 %), 45.3 MB/s, 15 s left": `verb` says what was
// done to the `done` bytes. The total, rate and time left show where known: a
// total of 0 or less is unknown, and no rate is taken in the first 0.1 s.
std::string ProgressText(const char* verb, std::int64_t done, std::int64_t total, double seconds);

// An outcome's line; a failure's starts with "Failed: ".
std::string StatusText(const Outcome& outcome);

}  // namespace kvx
