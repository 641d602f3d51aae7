#include "bench/straightforward_comb.h"

#include <array>
#include <cstddef>

#include "card/file_header.h"
#include "search/comb_through.h"

namespace kvx::bench {

StraightforwardCombResult StraightforwardComb(Volume& card) {
  constexpr std::size_t kMostFiles = 2048;
  std::array<std::byte, kFileHeaderSize> block;
  StraightforwardCombResult result;
  for (std::int64_t at = kFirstCombedOffset; result.headers.size() < kMostFiles; at += 512) {
    result.last_offset = at;
    if (card.Read(at, block).delivered != block.size()) break;
    if (IsFileHeader(block)) result.headers.push_back({at, FileHeaderLength(block)});
  }
  return result;
}

}  // namespace kvx::bench
