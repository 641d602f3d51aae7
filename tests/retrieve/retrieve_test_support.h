// Shared by the retrieval tests: card bytes that differ from sector to sector,
// and found-file records set up as a search would leave them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "controls/memory_controls.h"
#include "search/window_state.h"

namespace kvx::testing {

inline std::vector<std::byte> PatternBytes(std::int64_t length) {
  std::vector<std::byte> bytes(static_cast<std::size_t>(length));
  for (std::int64_t i = 0; i < length; ++i) bytes[i] = std::byte((i * 31 + (i >> 9) * 7) & 0xFF);
  return bytes;
}

// `count` bytes of `card` from `offset`, as far as the card reaches.
inline std::vector<std::byte> CardSlice(const std::vector<std::byte>& card, std::int64_t offset,
                                        std::int64_t count) {
  std::int64_t to = std::min<std::int64_t>(offset + count, static_cast<std::int64_t>(card.size()));
  return {card.begin() + offset, card.begin() + std::max(offset, to)};
}

// Appends a record and its List1 line, as a search does.
inline void ListFile(WindowState& state, MemoryControls& controls, std::string_view name,
                     std::int64_t offset, std::int64_t size) {
  FoundFile& file = state.found_files[controls.lines.size()];
  file = {size, size, offset, 0, PaddedFileName(name)};
  controls.lines.push_back(ListLine(file));
}

}  // namespace kvx::testing
