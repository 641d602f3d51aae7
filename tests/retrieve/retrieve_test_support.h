// Shared by the retrieval tests: card bytes that differ from sector to sector,
// found-file records set up as a search would leave them, and test names
// made from a case's words.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/memory_controls.h"
#include "search/window_state.h"

namespace kvx::testing {

inline std::vector<std::byte> PatternBytes(std::int64_t length) {
  std::vector<std::byte> bytes(static_cast<std::size_t>(length));
  for (std::int64_t i = 0; i < length; ++i) {
    bytes[static_cast<std::size_t>(i)] = std::byte((i * 31 + (i >> 9) * 7) & 0xFF);
  }
  return bytes;
}

// `count` bytes of `card` from `offset`, as far as the card reaches.
inline std::vector<std::byte> CardSlice(const std::vector<std::byte>& card, std::int64_t offset,
                                        std::int64_t count) {
  auto size = static_cast<std::int64_t>(card.size());
  std::int64_t from = std::clamp<std::int64_t>(offset, 0, size);
  std::int64_t to = std::clamp<std::int64_t>(offset + std::max<std::int64_t>(count, 0), from, size);
  return {card.begin() + from, card.begin() + to};
}

// Appends a record and its List1 line, as a search does.
inline void ListFile(WindowState& state, MemoryControls& controls, std::string_view name,
                     std::int64_t offset, std::int64_t size) {
  FoundFile& file = state.found_files[controls.lines.size()];
  file = {size, size, offset, 0, PaddedFileName(name)};
  controls.lines.push_back(ListLine(file));
}

// "a fault at the first byte" -> "AFaultAtTheFirstByte".
inline std::string SentenceName(std::string_view words) {
  std::string name;
  bool word_start = true;
  for (char c : words) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
      word_start = true;
    } else {
      name += word_start ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      word_start = false;
    }
  }
  return name;
}

}  // namespace kvx::testing
