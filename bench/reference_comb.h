// The straightforward Comb Through, the reference the core's comb is measured
// and checked against: one positioned read of 1536 bytes at every 512-byte
// step from 80896, each a read of its own, until one comes up short or 2048
// headers are found.
#pragma once

#include <vector>

#include "bench/bench_card.h"
#include "platform/volume.h"

namespace kvx::bench {

// The headers found: their card offsets and the file lengths they state.
std::vector<BenchFile> StraightforwardComb(Volume& card);

}  // namespace kvx::bench
