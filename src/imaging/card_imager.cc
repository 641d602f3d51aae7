#include "imaging/card_imager.h"

#include <algorithm>
#include <span>
#include <vector>

namespace kvx {

namespace {

constexpr std::int64_t kSectorSize = 512;
constexpr std::int64_t kLargeRead = std::int64_t{1} << 20;

// One copy of the card into an image already created. The map grows only by
// what the image holds, so a failed write leaves it true.
class CardImager {
 public:
  CardImager(Volume& card, TargetFile& image, std::int64_t size,
             const ImagingProgressReport& progress,
             const StopRequested& stop_requested)
      : card_(card),
        image_(image),
        size_(size),
        progress_(progress),
        stop_requested_(stop_requested),
        buffer_(static_cast<std::size_t>(kLargeRead)) {}

  bool stopped() const { return stopped_; }

  // Reads the card front to back into the image. False when the image could
  // not be written; the map then ends where the image's good part ends.
  bool CopyFrontToBack(RescueMap& map) {
    std::int64_t pos = 0;
    while (pos < size_ && !StopAsked()) {
      std::span<std::byte> chunk =
          std::span(buffer_).first(static_cast<std::size_t>(std::min(kLargeRead, size_ - pos)));
      RescueMap chunk_map;
      std::size_t got = std::min(card_.Read(pos, chunk), chunk.size());
      std::size_t done = chunk.size();
      if (got == chunk.size()) {
        chunk_map.Append(static_cast<std::int64_t>(done), RangeState::kFinished);
      } else {
        // A device may fail a whole large read over one bad sector: only the
        // whole sectors it delivered are kept, the rest is read one by one.
        std::size_t kept = got / kSectorSize * kSectorSize;
        chunk_map.Append(static_cast<std::int64_t>(kept), RangeState::kFinished);
        done = kept + ReadSectorBySector(pos + static_cast<std::int64_t>(kept), chunk.subspan(kept),
                                         chunk_map);
      }
      if (!image_.Write(chunk.first(done))) return false;
      for (const MapRange& range : chunk_map.ranges()) map.Append(range.size, range.state);
      pos += static_cast<std::int64_t>(done);
      map.current_pos = pos;
      if (progress_) {
        ImagingProgress report;
        report.card_size = size_;
        report.rescued = map.BytesIn(RangeState::kFinished);
        report.to_try = size_ - pos;
        report.pass_done = pos;
        report.pass_total = size_;
        progress_(report);
      }
    }
    return true;
  }

  // Reads each bad sector of `map` once more, mending the image where it now
  // reads. False when the image could not be written.
  bool RetryBadSectors(RescueMap& map) {
    RescueMap retried;
    retried.phase = ImagingPhase::kRetrying;
    bool written = true;
    for (const MapRange& range : map.ranges()) {
      const std::int64_t end = range.pos + range.size;
      std::int64_t at = range.pos;
      while (range.state == RangeState::kBadSector && at < end && written) {
        retried.current_pos = at;
        if (StopAsked()) break;
        std::span<std::byte> sector =
            std::span(buffer_).first(static_cast<std::size_t>(std::min(kSectorSize, end - at)));
        bool read = card_.Read(at, sector) == sector.size();
        written = !read || image_.WriteAt(at, sector);
        retried.Append(static_cast<std::int64_t>(sector.size()),
                       read && written ? RangeState::kFinished : RangeState::kBadSector);
        at += static_cast<std::int64_t>(sector.size());
      }
      retried.Append(end - at, range.state);
    }
    retried.current_pos = stopped_ || !written ? retried.current_pos : size_;
    map = retried;
    return written;
  }

 private:
  bool StopAsked() {
    stopped_ = stopped_ || (stop_requested_ && stop_requested_());
    return stopped_;
  }

  // Reads `chunk`, the card's bytes from `pos`, one sector at a time, with
  // zeros for the sectors that fail. Returns the bytes done, fewer than the
  // chunk's when a stop was asked for.
  std::size_t ReadSectorBySector(std::int64_t pos, std::span<std::byte> chunk,
                                 RescueMap& chunk_map) {
    std::size_t done = 0;
    while (done < chunk.size() && !StopAsked()) {
      std::span<std::byte> sector =
          chunk.subspan(done, std::min<std::size_t>(kSectorSize, chunk.size() - done));
      bool read = card_.Read(pos + static_cast<std::int64_t>(done), sector) == sector.size();
      if (!read) std::fill(sector.begin(), sector.end(), std::byte{0});
      chunk_map.Append(static_cast<std::int64_t>(sector.size()),
                       read ? RangeState::kFinished : RangeState::kBadSector);
      done += sector.size();
    }
    return done;
  }

  Volume& card_;
  TargetFile& image_;
  const std::int64_t size_;
  const ImagingProgressReport& progress_;
  const StopRequested& stop_requested_;
  std::vector<std::byte> buffer_;
  bool stopped_ = false;
};

}  // namespace

std::string MapPathOf(const std::string& image_path) { return image_path + ".map"; }

ImageResult ImageCard(Volume& card, Platform& platform, const std::string& image_path,
                      const ImagingOptions& /*options*/, const ImagingProgressReport& progress,
                      const StopRequested& stop_requested) {
  ImageResult result;
  result.card_size = card.Size();
  const std::string map_path = MapPathOf(image_path);
  if (result.card_size < 0) {
    result.outcome = ImageOutcome::kSizeUnknown;
    return result;
  }
  if (platform.FileExists(image_path)) {
    result.outcome = ImageOutcome::kImageExists;
    return result;
  }
  if (platform.FileExists(map_path)) {
    result.outcome = ImageOutcome::kMapExists;
    return result;
  }
  std::unique_ptr<TargetFile> image = platform.CreateNewFile(image_path);
  if (!image) {
    result.outcome = ImageOutcome::kCannotCreateImage;
    return result;
  }
  std::unique_ptr<TargetFile> map_file = platform.CreateNewFile(map_path);
  if (!map_file) {
    result.outcome = ImageOutcome::kCannotCreateMap;
    return result;
  }

  CardImager imager(card, *image, result.card_size, progress, stop_requested);
  RescueMap map;
  bool written = imager.CopyFrontToBack(map);
  if (written && !imager.stopped()) written = imager.RetryBadSectors(map);
  if (written && !imager.stopped()) map.phase = ImagingPhase::kFinished;
  map.Append(result.card_size - map.end(), RangeState::kNonTried);

  const std::string text = FormatRescueMap(map);
  bool map_written = map_file->Write(std::as_bytes(std::span(text)));
  result.outcome = !written           ? ImageOutcome::kImageWriteFailed
                   : !map_written     ? ImageOutcome::kMapWriteFailed
                   : imager.stopped() ? ImageOutcome::kStopped
                                      : ImageOutcome::kImaged;
  result.bytes_read = map.BytesIn(RangeState::kFinished);
  result.bytes_unread = map.BytesIn(RangeState::kBadSector);
  result.bytes_untried = map.BytesIn(RangeState::kNonTried);
  result.unread_ranges =
      std::count_if(map.ranges().begin(), map.ranges().end(),
                    [](const MapRange& r) { return r.state == RangeState::kBadSector; });
  return result;
}

}  // namespace kvx
