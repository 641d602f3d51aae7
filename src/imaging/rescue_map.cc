#include "imaging/rescue_map.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <limits>

namespace kvx {

void RescueMap::Append(std::int64_t size, RangeState state) {
  if (size <= 0) return;
  if (!ranges_.empty() && ranges_.back().state == state) {
    ranges_.back().size += size;
  } else {
    ranges_.push_back({end(), size, state});
  }
}

void RescueMap::Set(std::int64_t pos, std::int64_t size, RangeState state) {
  if (size <= 0) return;
  const std::int64_t stop = pos + size;
  // The ranges that [pos, stop) touches, and their neighbours, which the new
  // range may join.
  auto first =
      std::upper_bound(ranges_.begin(), ranges_.end(), pos,
                       [](std::int64_t at, const MapRange& r) { return at < r.pos + r.size; });
  auto last = std::lower_bound(first, ranges_.end(), stop,
                               [](const MapRange& r, std::int64_t at) { return r.pos < at; });
  if (first == last) return;
  const MapRange head = *first;
  const MapRange tail = *(last - 1);
  const bool joins_before = first != ranges_.begin();
  const bool joins_after = last != ranges_.end();
  if (joins_before) --first;
  if (joins_after) ++last;

  std::vector<MapRange> pieces;
  auto add = [&pieces](std::int64_t from, std::int64_t to, RangeState piece_state) {
    if (to <= from) return;
    if (!pieces.empty() && pieces.back().state == piece_state) {
      pieces.back().size += to - from;
    } else {
      pieces.push_back({from, to - from, piece_state});
    }
  };
  if (joins_before) add(first->pos, head.pos, first->state);
  add(head.pos, pos, head.state);
  add(pos, stop, state);
  add(stop, tail.pos + tail.size, tail.state);
  if (joins_after) add(tail.pos + tail.size, (last - 1)->pos + (last - 1)->size, (last - 1)->state);
  auto at = ranges_.erase(first, last);
  ranges_.insert(at, pieces.begin(), pieces.end());
}

std::optional<ByteRange> RescueMap::NextIn(RangeState state, std::int64_t from) const {
  auto it =
      std::upper_bound(ranges_.begin(), ranges_.end(), from,
                       [](std::int64_t at, const MapRange& r) { return at < r.pos + r.size; });
  for (; it != ranges_.end(); ++it) {
    if (it->state != state) continue;
    const std::int64_t begin = std::max(from, it->pos);
    return ByteRange{begin, it->pos + it->size - begin};
  }
  return std::nullopt;
}

MapTally RescueMap::Tally() const {
  MapTally tally;
  bool in_failed_area = false;
  for (const MapRange& range : ranges_) {
    switch (range.state) {
      case RangeState::kNonTried:
        tally.non_tried += range.size;
        break;
      case RangeState::kNonTrimmed:
        tally.non_trimmed += range.size;
        break;
      case RangeState::kNonScraped:
        tally.non_scraped += range.size;
        break;
      case RangeState::kBadSector:
        tally.bad += range.size;
        break;
      case RangeState::kFinished:
        tally.finished += range.size;
        break;
    }
    const bool failed =
        range.state != RangeState::kNonTried && range.state != RangeState::kFinished;
    if (failed && !in_failed_area) ++tally.failed_areas;
    in_failed_area = failed;
  }
  return tally;
}

std::int64_t RescueMap::BytesIn(RangeState state) const {
  std::int64_t bytes = 0;
  for (const MapRange& range : ranges_) {
    if (range.state == state) bytes += range.size;
  }
  return bytes;
}

std::vector<ByteRange> RescueMap::UnreadRanges(std::int64_t offset, std::int64_t length) const {
  std::vector<ByteRange> unread;
  if (offset < 0 || length <= 0) return unread;
  const std::int64_t stop = length > std::numeric_limits<std::int64_t>::max() - offset
                                ? std::numeric_limits<std::int64_t>::max()
                                : offset + length;
  auto add = [&](std::int64_t from, std::int64_t to) {
    if (!unread.empty() && unread.back().pos + unread.back().size == from) {
      unread.back().size += to - from;
    } else {
      unread.push_back({from, to - from});
    }
  };
  // The first range that ends past `offset`: a map may hold many ranges.
  auto it =
      std::upper_bound(ranges_.begin(), ranges_.end(), offset,
                       [](std::int64_t at, const MapRange& r) { return at < r.pos + r.size; });
  for (; it != ranges_.end() && it->pos < stop; ++it) {
    if (it->state != RangeState::kFinished) {
      add(std::max(offset, it->pos), std::min(stop, it->pos + it->size));
    }
  }
  if (stop > end()) add(std::max(offset, end()), stop);
  return unread;
}

std::string OwnMapFirstLine(std::int64_t card_size) {
  return "# Mapfile. Created by KVX card rescue, imaging a card of " + std::to_string(card_size) +
         " bytes";
}

std::string FormatRescueMap(const RescueMap& map) {
  std::string text = OwnMapFirstLine(map.end()) +
                     "\n"
                     "# current_pos  current_status  current_pass\n";
  char line[80];
  std::snprintf(line, sizeof line, "0x%08" PRIX64 "     %c               1\n",
                static_cast<std::uint64_t>(map.current_pos), static_cast<char>(map.phase));
  text += line;
  text += "#      pos        size  status\n";
  for (const MapRange& range : map.ranges()) {
    std::snprintf(line, sizeof line, "0x%08" PRIX64 "  0x%08" PRIX64 "  %c\n",
                  static_cast<std::uint64_t>(range.pos), static_cast<std::uint64_t>(range.size),
                  static_cast<char>(range.state));
    text += line;
  }
  return text;
}

namespace {

// The line's words, split at blanks and tabs.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (true) {
    at = line.find_first_not_of(" \t\r", at);
    if (at == std::string_view::npos) return words;
    std::size_t end = line.find_first_of(" \t\r", at);
    if (end == std::string_view::npos) end = line.size();
    words.push_back(line.substr(at, end - at));
    at = end;
  }
}

// A non-negative number as the mapfile writes it: 0x hexadecimal, a leading 0
// octal, decimal otherwise.
std::optional<std::int64_t> Number(std::string_view word) {
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    base = 16;
    word.remove_prefix(2);
  } else if (word.size() > 1 && word[0] == '0') {
    base = 8;
    word.remove_prefix(1);
  }
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  if (error != std::errc() || end != word.data() + word.size() || value < 0) return std::nullopt;
  return value;
}

std::optional<char> OneCharacter(std::string_view word, std::string_view allowed) {
  if (word.size() != 1 || allowed.find(word[0]) == std::string_view::npos) return std::nullopt;
  return word[0];
}

}  // namespace

ParsedMap ParseRescueMap(std::string_view text, std::int64_t size_limit) {
  ParsedMap parsed;
  RescueMap map;
  bool status_read = false;
  int line_number = 0;
  auto fail = [&](const std::string& what) {
    parsed.error = "line " + std::to_string(line_number) + ": " + what;
    return parsed;
  };
  while (!text.empty()) {
    ++line_number;
    std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0].front() == '#') continue;

    if (!status_read) {
      if (words.size() < 2 || words.size() > 3) {
        return fail("expected the current position and status");
      }
      auto pos = Number(words[0]);
      auto phase = OneCharacter(words[1], "?*/-FG+");
      if (!pos || (words.size() == 3 && !Number(words[2]))) return fail("not a number");
      if (!phase) return fail("unknown status \"" + std::string(words[1]) + "\"");
      map.current_pos = *pos;
      map.phase = static_cast<ImagingPhase>(*phase);
      status_read = true;
      continue;
    }
    if (words.size() != 3) return fail("expected a block's position, size and status");
    auto pos = Number(words[0]);
    auto size = Number(words[1]);
    auto state = OneCharacter(words[2], "?*/-+");
    if (!pos || !size) return fail("not a number");
    if (!state) return fail("unknown status \"" + std::string(words[2]) + "\"");
    if (*size == 0) return fail("the block is empty");
    if (*size > std::numeric_limits<std::int64_t>::max() - *pos || *pos + *size > size_limit) {
      return fail("the block ends past the card's end");
    }
    if (map.ranges().empty()) {
      map.Append(*pos, RangeState::kNonTried);
    } else if (*pos < map.end()) {
      return fail("the block overlaps the one before, or is out of order");
    } else if (*pos > map.end()) {
      return fail("a gap before the block");
    }
    map.Append(*size, static_cast<RangeState>(*state));
  }
  if (!status_read) {
    parsed.error = "no status line";
    return parsed;
  }
  parsed.map = std::move(map);
  return parsed;
}

}  // namespace kvx
