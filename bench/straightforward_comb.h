// The straightforward Comb Through, the reference the core's comb is checked
// and measured against: one positioned read of 1536 bytes at every 512-byte
// step from 80896, each a read of its own, until one comes up short or 2048
// headers are found. Slow by design: it makes a system call per sector.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/volume.h"

namespace kvx::bench {

struct CombedHeader {
  std::int64_t offset = 0;  // on the card
  std::int64_t length = 0;  // of the whole file, as its header states
  bool operator==(const CombedHeader&) const = default;
};

struct StraightforwardCombResult {
  std::vector<CombedHeader> headers;  // in card order
  std::int64_t last_offset = 0;       // of the last block read: the short one, or the 2048th header
};

StraightforwardCombResult StraightforwardComb(Volume& card);

}  // namespace kvx::bench
