// Copies a failing card into an image file, so that every search can then
// run on the image instead of wearing the card out further, and continues
// such a copy where an earlier run ended, however it ended.
//
// Passes, as a rescue of a failing medium goes: copying in large reads that
// skips ahead past an area that fails, then once more over what was skipped;
// trimming each failed block sector by sector from both edges inward until a
// sector fails; scraping what is left of it sector by sector; then
// options.retries passes over the bad sectors. The image holds zeros for what
// could not be read, and a map beside it (the image's path plus ".map", see
// rescue_map.h) tells which ranges those are.
//
// The map on disk always describes the image on disk: the image is synced
// before each map write, and the map is replaced in one step by a new file
// of a fresh name (the map's path, a random word, ".new"). It is written
// every options.map_interval, soon after a read fails, and at the end. An
// existing image is continued only with a map that this program wrote for a
// card of this size; only bytes the map does not mark finished are written.
// Any other existing image or map is left alone, and nothing is ever
// overwritten but the program's own map. A complete image gets a digest file
// beside it (the image's path plus ".sha256", as sha256sum writes it), created
// new.
//
// A stop asked for between two reads ends the run there, as does a card that
// is removed (its unread areas stay untried, not bad). Memory is one large
// read's buffer and the map, whose length grows with the number of separate
// unreadable stretches, not with the card's size.
#pragma once

#include <chrono>
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
  kImageExists,        // an image without a map beside it: nothing written
  kMapExists,          // a map without its image: nothing written
  kMapInvalid,         // the map beside the image is damaged (map_error): nothing written
  kMapForeign,         // the map is not ours, or of another card or image (map_error)
  kCannotCreateImage,  // nothing was created, or the image to continue would not open
  kCannotCreateMap,    // the image was created empty, nothing was read
  kCardLost,           // the card stopped answering (failure); the map tells what was read
  kImageWriteFailed,   // (failure, e.g. disk full) the map tells what the image holds
  kMapWriteFailed,     // (failure) the map on disk is the last one written
};

struct ImagingOptions {
  int retries = 1;  // passes over the sectors still bad after the sector-by-sector pass
  // How often the map is written while reads go well.
  std::chrono::milliseconds map_interval = std::chrono::seconds(5);
};

// What became of the image's digest file.
enum class DigestFile {
  kNone,     // the image is not complete: no digest
  kWritten,  // created with the digest
  kExisted,  // one was there already and was left as it was
  kFailed,   // could not be created or written (failure)
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
  bool resumed = false;  // an existing image and map were continued
  std::int64_t card_size = 0;
  std::int64_t bytes_read = 0;     // the image holds the card's bytes
  std::int64_t bytes_unread = 0;   // failed in every pass: zeros in the image
  std::int64_t bytes_untried = 0;  // not reached before a stop or a failure
  std::int64_t unread_ranges = 0;  // separate unreadable stretches
  std::string sha256;              // complete image: its digest, also in OUT.img.sha256
  DigestFile digest_file = DigestFile::kNone;
  std::string map_error;  // kMapInvalid: which line of the map, and what is wrong
  Status failure;         // the system's reason, for the failures that have one
};

using ImagingProgressReport = std::function<void(const ImagingProgress&)>;
// Asked between reads; true ends the copy.
using StopRequested = std::function<bool()>;

// The map's path for an image at `image_path`.
std::string MapPathOf(const std::string& image_path);
// The digest file's path for an image at `image_path`.
std::string DigestPathOf(const std::string& image_path);

// Images `card` into `image_path` (UTF-8) and its map, through `platform`:
// anew when neither exists, else continuing an image whose map is ours and
// of a card of this size. `progress` and `stop_requested` may be empty.
ImageResult ImageCard(Volume& card, Platform& platform, const std::string& image_path,
                      const ImagingOptions& options, const ImagingProgressReport& progress,
                      const StopRequested& stop_requested);

}  // namespace kvx
