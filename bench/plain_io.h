// The same work done plainly, with no rescue logic: the limits the actions are
// held to. A sequential read of a whole image is the most a comb can do; a
// read-and-write copy of byte ranges is the most a retrieval can do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_card.h"

namespace kvx::bench {

// Reads all of `path` front to back in 1 MiB reads. Returns the bytes read,
// or -1 when the file cannot be opened.
std::int64_t ReadSequentially(const std::string& path);

// Copies each range of `source` into a new file in `directory` (named after
// the range's index), last range first, in 1 MiB reads and writes. Returns
// an error message, or an empty string on success.
std::string CopyRanges(const std::string& source, const std::vector<BenchFile>& ranges,
                       const std::string& directory);

}  // namespace kvx::bench
