#include "search/imaging_captions.h"

#include <cstdio>

#include "search/captions.h"

namespace kvx {

namespace {

std::string Bytes(std::int64_t n) { return std::to_string(n) + " bytes"; }

}  // namespace

std::string ImageOutcomeText(const ImageResult& result, const std::string& image_path) {
  const std::string map_path = MapPathOf(image_path);
  const std::string counts = Bytes(result.bytes_read) + " read, " + Bytes(result.bytes_unread) +
                             " unreadable in " + std::to_string(result.unread_ranges) +
                             " range(s), " + Bytes(result.bytes_untried) + " not tried";
  switch (result.outcome) {
    case ImageOutcome::kImaged:
      return "Imaged " + Bytes(result.card_size) + " into " + image_path + ": " + counts +
             "; the map is " + map_path;
    case ImageOutcome::kStopped:
      return "Stopped: " + counts + "; " + map_path + " tells which";
    case ImageOutcome::kSizeUnknown:
      return "the card does not tell its size; nothing was written";
    case ImageOutcome::kImageExists:
      return image_path + " exists; nothing was written";
    case ImageOutcome::kMapExists:
      return map_path + " exists; nothing was written";
    case ImageOutcome::kCannotCreateImage:
      return "cannot create " + image_path + "; nothing was written";
    case ImageOutcome::kCannotCreateMap:
      return "cannot create " + map_path + "; " + image_path + " was left empty";
    case ImageOutcome::kImageWriteFailed:
      return "writing " + image_path + " failed: " + counts + "; " + map_path + " tells which";
    case ImageOutcome::kMapInvalid:
    case ImageOutcome::kMapForeign:
    case ImageOutcome::kCardLost:
    case ImageOutcome::kMapWriteFailed:
      return "writing " + map_path + " failed; " + image_path + " holds " + counts;
  }
  return {};
}

std::string ImagingProgressText(const ImagingProgress& progress, double seconds) {
  std::string text = std::string(PassName(progress.phase)) + ": " +
                     Percent(progress.rescued, progress.card_size) + " rescued, " +
                     ByteCount(progress.to_try) + " to try, " +
                     std::to_string(progress.bad_areas) + " bad area(s)";
  if (seconds > 0 && progress.pass_done > 0) {
    double rate = static_cast<double>(progress.pass_done) / seconds;
    char figures[64];
    std::snprintf(figures, sizeof(figures), ", %.1f MB/s", rate / 1e6);
    text += figures;
    auto left = static_cast<std::int64_t>(
        static_cast<double>(progress.pass_total - progress.pass_done) / rate);
    if (progress.pass_total > progress.pass_done) text += ", " + std::to_string(left) + " s left";
  }
  return text;
}

const char* PassName(ImagingPhase phase) {
  switch (phase) {
    case ImagingPhase::kCopying: return "Copying";
    case ImagingPhase::kTrimming: return "Trimming";
    case ImagingPhase::kScraping: return "Scraping";
    case ImagingPhase::kRetrying: return "Retrying";
    case ImagingPhase::kFilling: return "Filling";
    case ImagingPhase::kGenerating: return "Generating";
    case ImagingPhase::kFinished: return "Finished";
  }
  return "";
}

}  // namespace kvx
