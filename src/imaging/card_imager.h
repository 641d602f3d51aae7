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
#include "platform/status.h"
#include "platform/volume.h"

namespace kvx {

enum class ImageOutcome {
  kImaged,             // the whole card was tried; the map tells what was read
  kStopped,            // stopped on request; the map tells what was read
  kSizeUnknown,        // the card does not tell its size: nothing was created
  kImageExists,        // an image without a map of ours beside it: nothing written
  kMapExists,          // a map without its image: nothing written
  kMapInvalid,         // the map beside the image is damaged (map_error): nothing written
  kMapForeign,         // the map is of a card of another size: nothing written
  kCannotCreateImage,  // nothing was created
  kCannotCreateMap,    // the image was created empty, nothing was read
  kCardLost,           // the card stopped answering (failure); the map tells what was read
  kImageWriteFailed,   // (failure, e.g. disk full) the map tells what the image holds
  kMapWriteFailed,     // (failure) the map on disk is the last one written
};

struct ImagingOptions {
  int retries = 1;  // passes over the sectors still bad after the sector-by-sector pass
};

// How far imaging has come, for a progress line or a status bar.
struct ImagingProgress {
  ImagingPhase phase = ImagingPhase::kCopying;  // the pass under way
  int retry = 0;                                // while retrying: 1 to options.retries
  std::int64_t card_size = 0;
  std::int64_t rescued = 0;     // bytes the image holds from the card
  std::int64_t to_try = 0;      // bytes not rescued that a pass still to come will try
  std::int64_t bad_areas = 0;   // separate stretches not rescued after a read failed there
  std::int64_t pass_done = 0;   // bytes this pass has tried, for its rate and time left
  std::int64_t pass_total = 0;  // bytes this pass tries in all
};

struct ImageResult {
  ImageOutcome outcome = ImageOutcome::kImaged;
  bool resumed = false;            // an existing image and map were continued
  std::int64_t card_size = 0;
  std::int64_t bytes_read = 0;     // the image holds the card's bytes
  std::int64_t bytes_unread = 0;   // failed in every pass: zeros in the image
  std::int64_t bytes_untried = 0;  // not reached before a stop or a failure
  std::int64_t unread_ranges = 0;  // separate unreadable stretches
  std::string sha256;              // complete image: its digest, also in OUT.img.sha256
  std::string map_error;           // kMapInvalid: which line of the map, and what is wrong
  Status failure;                  // the system's reason, for the failures that have one
};

using ImagingProgressReport = std::function<void(const ImagingProgress&)>;
// Asked between reads; true ends the copy.
using StopRequested = std::function<bool()>;

// The map's path for an image at `image_path`.
std::string MapPathOf(const std::string& image_path);

// Images `card` into `image_path` (UTF-8) and its map, through `platform`:
// anew when neither exists, else continuing an image whose map is ours and
// of a card of this size. `progress` and `stop_requested` may be empty.
ImageResult ImageCard(Volume& card, Platform& platform, const std::string& image_path,
                      const ImagingOptions& options, const ImagingProgressReport& progress,
                      const StopRequested& stop_requested);

}  // namespace kvx
