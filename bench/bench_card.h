// The benchmark's card: a 1G-layout image of a chosen length, planned from a
// seed and written to a file region by region, so the writer's memory stays
// small whatever the image's length.
//
// What it holds: the boot sector, the directory and the instrument's
// header-only file in cluster 2; recordings of 8 KiB to 20 MiB (log-uniform:
// many short, a few long, as a logger's files are) laid end to end from
// cluster 3, each starting on a cluster boundary, at most 300 and filling at
// most seven eighths of the image; directory entries for as many of them as
// the 1G directory lists (its 255 listed slots), every tenth marked deleted;
// random bytes in free space and in the slack after each recording; and a few
// orphan recordings in free space on sector boundaries that no cluster walk
// meets. The same seed gives the same image, byte for byte.
//
// No block at a sector boundary passes the header test by accident: random
// sectors never have 0x06 at byte 7, and a recording's bytes outside its
// header fields are 0x80 and above. So what each search must find is known:
// Explore the recordings, Comb Through the recordings and the orphans, Quick
// Search the directory's entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvx::bench {

struct BenchFile {
  std::int64_t offset = 0;
  std::int64_t length = 0;  // the whole file, its 1536-byte header included
  bool operator==(const BenchFile&) const = default;
};

struct BenchCard {
  std::int64_t length = 0;
  std::uint64_t seed = 0;
  std::vector<BenchFile> recordings;  // in card order, the first at cluster 3
  int listed = 0;                     // recordings 0 to listed - 1 have an entry
  std::vector<BenchFile> orphans;     // in card order, after the last recording
};

// REQUIRES: length of at least 4 MiB.
BenchCard PlanBenchCard(std::int64_t length, std::uint64_t seed);

// Writes the planned image as a new file at `path` (never over an existing
// one). Returns an error message, or an empty string on success.
std::string WriteBenchCard(const BenchCard& card, const std::string& path);

}  // namespace kvx::bench
