#include "bench/reference_comb.h"

#include <array>
#include <cstddef>

#include "card/file_header.h"
#include "search/comb_through.h"

namespace kvx::bench {

std::vector<BenchFile> StraightforwardComb(Volume& card) {
  constexpr std::size_t kMostFiles = 2048;
  std::array<std::byte, kFileHeaderSize> block;
  std::vector<BenchFile> found;
  for (std::int64_t at = kFirstCombedOffset; found.size() < kMostFiles; at += 512) {
    if (card.Read(at, block) != block.size()) break;
    if (IsFileHeader(block)) found.push_back({at, FileHeaderLength(block)});
  }
  return found;
}

}  // namespace kvx::bench
