// Copies a failing card once, front to back, into an image file, so that every
// search can then run on the image instead of wearing the card out further.
//
// The card is read in large reads; where one fails or comes up short, that
// stretch is read sector by sector. Each sector that failed is tried once more
// after the whole card has been read. The image holds zeros for what could not
// be read, and a map beside it (the image's path plus ".map", see rescue_map.h)
// tells which ranges those are. Neither file may exist before: both are created
// new, and nothing is ever overwritten.
//
// A stop asked for between two reads ends the copy there; the map is written
// all the same, true to what was read, with the rest marked never tried.
// Memory is one large read's buffer and the map, whose length grows with the
// number of separate unreadable stretches, not with the card's size.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "imaging/rescue_map.h"
#include "platform/platform.h"
#include "platform/volume.h"

namespace kvx {

enum class ImageOutcome {
  kImaged,             // the whole card was tried; the map tells what was read
  kStopped,            // stopped on request; the map tells what was read
  kSizeUnknown,        // the card does not tell its size: nothing was created
  kImageExists,        // nothing was created
  kMapExists,          // nothing was created
  kCannotCreateImage,  // nothing was created
  kCannotCreateMap,    // the image was created empty, nothing was read
  kImageWriteFailed,   // the map tells what the image holds up to the failure
  kMapWriteFailed,     // the image is written, its map is incomplete
};

struct ImageResult {
  ImageOutcome outcome = ImageOutcome::kImaged;
  std::int64_t card_size = 0;
  std::int64_t bytes_read = 0;     // the image holds the card's bytes
  std::int64_t bytes_unread = 0;   // failed twice: zeros in the image
  std::int64_t bytes_untried = 0;  // not reached before a stop or a failed write
  std::int64_t unread_ranges = 0;  // separate unreadable stretches
};

// Told the bytes of the card done so far and the card's size.
using ImagingProgress = std::function<void(std::int64_t done, std::int64_t total)>;
// Asked between reads; true ends the copy.
using StopRequested = std::function<bool()>;

// The map's path for an image at `image_path`.
std::string MapPathOf(const std::string& image_path);

// Images `card` into `image_path` (UTF-8) and its map, created through
// `platform`. `progress` and `stop_requested` may be empty.
ImageResult ImageCard(Volume& card, Platform& platform, const std::string& image_path,
                      const ImagingProgress& progress, const StopRequested& stop_requested);

}  // namespace kvx
