// The map that goes beside an image of a failing card: which byte ranges of
// the card the image holds and which it holds zeros for, because they could not
// be read or were never tried. Written and read in GNU ddrescue's mapfile
// format, so that its tools (ddrescuelog) read the map too, and so that a file
// copied out of the image can be told to include unread sectors.
//
// A map is a run of contiguous ranges from offset 0 to its end(); adjacent
// ranges of one state are always joined. Its first line names this program
// and the card's size, so that a later run knows the map for its own.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// What the image holds for a range; the characters are the mapfile's own.
enum class RangeState : char {
  kNonTried = '?',    // never read
  kNonTrimmed = '*',  // failed in a large read, sectors not read one by one
  kNonScraped = '/',  // likewise, part of the way
  kBadSector = '-',   // read sector by sector and failed
  kFinished = '+',    // read: the image holds the card's bytes
};

// What the imager was doing when the map was written: its status line. The
// imager here copies, retries and finishes; the others come from maps that
// other imaging tools wrote.
enum class ImagingPhase : char {
  kCopying = '?',
  kTrimming = '*',
  kScraping = '/',
  kRetrying = '-',
  kFilling = 'F',
  kGenerating = 'G',
  kFinished = '+',
};

struct MapRange {
  std::int64_t pos = 0;
  std::int64_t size = 0;
  RangeState state = RangeState::kNonTried;
  friend bool operator==(const MapRange&, const MapRange&) = default;
};

// Bytes [pos, pos + size) of the card.
struct ByteRange {
  std::int64_t pos = 0;
  std::int64_t size = 0;
  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// How much of a map is in each state, and in how many separate stretches
// the reads failed (adjacent '*', '/' and '-' ranges count as one).
struct MapTally {
  std::int64_t non_tried = 0, non_trimmed = 0, non_scraped = 0, bad = 0, finished = 0;
  std::int64_t failed_areas = 0;
};

class RescueMap {
 public:
  // Adds `size` bytes in `state` at the map's end. Does nothing for size <= 0.
  void Append(std::int64_t size, RangeState state);

  // Puts bytes [pos, pos + size) in `state`, splitting and joining ranges.
  // Does nothing for size <= 0.
  // REQUIRES: 0 <= pos and pos + size <= end().
  void Set(std::int64_t pos, std::int64_t size, RangeState state);

  // The first range in `state` that ends past `from`, cut to begin at `from`
  // at the earliest; nullopt when there is none.
  std::optional<ByteRange> NextIn(RangeState state, std::int64_t from) const;

  MapTally Tally() const;

  const std::vector<MapRange>& ranges() const { return ranges_; }
  std::int64_t end() const {
    return ranges_.empty() ? 0 : ranges_.back().pos + ranges_.back().size;
  }
  std::int64_t BytesIn(RangeState state) const;

  // The parts of [offset, offset + length) for which the image does not hold
  // the card's bytes: every range not finished, and whatever lies past the
  // map's end (the image does not reach there). Adjacent parts are joined.
  std::vector<ByteRange> UnreadRanges(std::int64_t offset, std::int64_t length) const;

  // Where the imager was, and what it was doing, when the map was written.
  std::int64_t current_pos = 0;
  ImagingPhase phase = ImagingPhase::kCopying;

 private:
  std::vector<MapRange> ranges_;
};

// The first line of the maps this program writes, for a card of `card_size`
// bytes: a comment, so that other tools read past it.
std::string OwnMapFirstLine(std::int64_t card_size);

// The map as a mapfile's text, opening with OwnMapFirstLine(map.end()).
std::string FormatRescueMap(const RescueMap& map);

struct ParsedMap {
  std::optional<RescueMap> map;
  std::string error;  // without a map: "line 7: the block overlaps the one before"
};

// The map a mapfile's text describes, or why the text is not one, naming its
// line: a missing or malformed status line, an unknown state, a block that is
// empty, overlaps or leaves a gap, or ends past `size_limit`. A map that
// starts past offset 0 reads as non-tried up to there.
ParsedMap ParseRescueMap(std::string_view text,
                         std::int64_t size_limit = std::numeric_limits<std::int64_t>::max());

}  // namespace kvx
