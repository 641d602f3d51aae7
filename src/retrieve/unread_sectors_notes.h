// Retrieve on a card image made by the imager: the map beside the image
// (IMAGE + ".map") tells which of the card's bytes the image holds zeros for,
// so the outcome can name each copied file that includes such bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/volume.h"
#include "platform/volume_location.h"

namespace kvx {

// A file Retrieve copied, or began to: card bytes [start, start + size).
struct CopiedRange {
  std::string name;
  std::int64_t start = 0;
  std::int64_t size = 0;
  std::int64_t unread = 0;  // set by UnreadSectorsNotes: the bytes the map marks unread
};

// The notes to add to the outcome line: one per file of `copied` whose range
// (as far as `card` reaches) includes unread bytes, or one saying the map is
// unreadable. Empty when no map lies beside `location`'s path. `card` is the
// volume opened at `location`; a partition's offsets are shifted to the
// image's, in which the map counts. Sets each file's `unread`.
std::string UnreadSectorsNotes(Platform& platform, const VolumeLocation& location,
                               const Volume& card, std::vector<CopiedRange>& copied);

}  // namespace kvx
