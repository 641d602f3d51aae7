#include "search/imaging_captions.h"

#include <cmath>

#include "search/captions.h"

namespace kvx {

namespace {

std::string Bytes(std::int64_t n) { return std::to_string(n) + " bytes"; }

// ": REASON", or nothing when there is none.
std::string Because(const std::string& reason) {
  return reason.empty() ? std::string() : ": " + reason;
}

// Why writing an output failed; a full disk in the words a user looks for.
std::string WriteFailure(const Status& failure) {
  if (failure.code() == Status::Code::kNoSpace) return "disk full";
  return Why(failure, Operation::kWriteFile);
}

std::string DigestText(const ImageResult& result, const std::string& image_path) {
  const std::string path = DigestPathOf(image_path);
  switch (result.digest_file) {
    case DigestFile::kNone:
      return "";
    case DigestFile::kWritten:
      return "; SHA-256 " + result.sha256 + " in " + path;
    case DigestFile::kExisted:
      return "; SHA-256 " + result.sha256 + "; " + path + " exists and was left as it was";
    case DigestFile::kFailed:
      return "; cannot write " + path + Because(WriteFailure(result.failure));
  }
  return "";
}

}  // namespace

std::string ImageOutcomeText(const ImageResult& result, const std::string& image_path) {
  const std::string map_path = MapPathOf(image_path);
  const std::string counts = Bytes(result.bytes_read) + " read, " + Bytes(result.bytes_unread) +
                             " unreadable in " + std::to_string(result.unread_ranges) +
                             " range(s), " + Bytes(result.bytes_untried) + " not tried";
  const std::string again = "; " + map_path + " tells which, and a new run continues";
  switch (result.outcome) {
    case ImageOutcome::kImaged:
      return std::string(result.resumed ? "Completed " : "Imaged ") + Bytes(result.card_size) +
             " into " + image_path + ": " + counts + "; the map is " + map_path +
             DigestText(result, image_path);
    case ImageOutcome::kStopped:
      return "Stopped: " + counts + again;
    case ImageOutcome::kCardLost:
      return "reading the card failed" + Because(Why(result.failure, Operation::kReadCard)) + ": " +
             counts + again;
    case ImageOutcome::kImageWriteFailed:
      return "writing " + image_path + " failed" + Because(WriteFailure(result.failure)) + ": " +
             counts + again;
    case ImageOutcome::kMapWriteFailed:
      return "writing " + map_path + " failed" + Because(WriteFailure(result.failure)) +
             "; it tells what the image held when it was last written";
    case ImageOutcome::kSizeUnknown:
      return "the card does not tell its size; nothing was written";
    case ImageOutcome::kImageExists:
      return image_path + " exists without a map beside it; nothing was written";
    case ImageOutcome::kMapExists:
      return map_path + " exists without its image; nothing was written";
    case ImageOutcome::kMapInvalid:
      return map_path + " is damaged: " + result.map_error + "; nothing was written";
    case ImageOutcome::kMapForeign:
      return image_path + " exists and " + map_path + " does not go with it: " + result.map_error +
             "; nothing was written";
    case ImageOutcome::kCannotCreateImage:
      return "cannot write " + image_path + Because(WriteFailure(result.failure)) +
             "; nothing was written";
    case ImageOutcome::kCannotCreateMap:
      return "cannot create " + map_path + Because(WriteFailure(result.failure)) + "; " +
             image_path + " was left empty";
  }
  return {};
}

std::string ImagingProgressText(const ImagingProgress& progress, double seconds) {
  std::string text = PassName(progress.phase);
  if (progress.phase == ImagingPhase::kRetrying) {
    text += " (pass " + std::to_string(progress.retry) + ")";
  }
  text += ": " + Percent(progress.rescued, progress.card_size) + " rescued, " +
          ByteCount(progress.to_try) + " to try, " + std::to_string(progress.bad_areas) +
          " bad area(s)";
  if (seconds >= 0.1 && progress.pass_done > 0) {
    const double rate = static_cast<double>(progress.pass_done) / seconds;
    text += ", " + ByteCount(static_cast<std::int64_t>(rate)) + "/s";
    if (progress.pass_total > progress.pass_done) {
      const auto left = static_cast<std::int64_t>(
          std::ceil(static_cast<double>(progress.pass_total - progress.pass_done) / rate));
      text += ", " + Duration(left) + " left";
    }
  }
  return text;
}

const char* PassName(ImagingPhase phase) {
  switch (phase) {
    case ImagingPhase::kCopying:
      return "Copying";
    case ImagingPhase::kTrimming:
      return "Trimming";
    case ImagingPhase::kScraping:
      return "Scraping";
    case ImagingPhase::kRetrying:
      return "Retrying";
    case ImagingPhase::kFilling:
      return "Filling";
    case ImagingPhase::kGenerating:
      return "Generating";
    case ImagingPhase::kFinished:
      return "Finished";
  }
  return "";
}

}  // namespace kvx
