#include "imaging/card_imager.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "platform/io_buffer.h"
#include "platform/sha256_alongside.h"
#include "platform/sha256sum_line.h"
#include "platform/system_platform.h"

namespace kvx {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kSectorSize = 512;
constexpr std::int64_t kLargeRead = std::int64_t{1} << 20;
// After a failed large read the copying pass jumps this far ahead, twice as
// far after each further failure, so a dead area costs few reads; what it
// jumps over is read once the rest of the card is copied.
constexpr std::int64_t kFirstSkip = std::int64_t{64} << 10;
constexpr std::int64_t kLongestSkip = std::int64_t{64} << 20;
// A new failure reaches the map this soon, however long the interval.
constexpr auto kFailureToMap = std::chrono::seconds(1);
// Far above any map this program writes for a card it can image.
constexpr std::int64_t kMapSizeCap = std::int64_t{64} << 20;
constexpr int kTemporaryNameTries = 8;

constexpr std::array<std::byte, 64 * 1024> kZeros{};

// How a run ends, once it has begun to read.
enum class Fate { kGoingOn, kStopped, kCardLost, kImageFailed, kMapFailed };

// The sector around `at`, cut off at `end`.
std::int64_t SectorEnd(std::int64_t at, std::int64_t end) {
  return std::min(end, (at / kSectorSize + 1) * kSectorSize);
}

// The image's name within its directory, as sha256sum -c finds it there.
std::string FileNameOf(const std::string& path) {
  std::size_t cut = path.find_last_of(kPathSeparatorsHere);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// One run over an image and its map, both ours and open.
class Imaging {
 public:
  Imaging(Volume& card, Platform& platform, const std::string& image_path, RescueMap map,
          std::unique_ptr<TargetFile> image, std::int64_t image_length,
          const ImagingOptions& options, const ImagingProgressReport& progress,
          const StopRequested& stop_requested)
      : card_(card),
        platform_(platform),
        map_path_(MapPathOf(image_path)),
        map_(std::move(map)),
        image_(std::move(image)),
        image_length_(image_length),
        options_(options),
        progress_(progress),
        stop_requested_(stop_requested),
        buffers_{IoBuffer(static_cast<std::size_t>(kLargeRead)),
                 IoBuffer(static_cast<std::size_t>(kLargeRead))},
        names_(std::random_device{}()),
        last_saved_(Clock::now()) {}

  // Runs every pass still to do. True when the image is complete and the
  // map on disk says so.
  bool Run() {
    Copy(true);
    Copy(false);
    Trim();
    Scrape();
    for (std::int64_t retry = 1; retry <= options_.retries && fate_ == Fate::kGoingOn; ++retry) {
      Retry(retry);
    }
    const bool complete = fate_ == Fate::kGoingOn;
    if (complete) {
      map_.phase = ImagingPhase::kFinished;
      current_pos_ = map_.end();
      Put(map_.end(), {});  // the image reaches the card's end, with zeros for the last bad sectors
    }
    SaveMap();
    image_.reset();  // closed before the digest reads it
    return complete && fate_ == Fate::kGoingOn;
  }

  // The image's digest, when it was written front to back in this run.
  std::optional<Sha256Digest> DigestOnTheWay() {
    if (!hashed_in_order_ || hashed_ != map_.end()) return std::nullopt;
    return hash_.Finish();
  }

  void FillResult(ImageResult& result) const {
    const MapTally tally = map_.Tally();
    result.bytes_read = tally.finished;
    result.bytes_unread = tally.bad;
    result.bytes_untried = tally.non_tried + tally.non_trimmed + tally.non_scraped;
    result.unread_ranges = tally.failed_areas;
    result.failure = failure_;
    switch (fate_) {
      case Fate::kGoingOn:
        result.outcome = ImageOutcome::kImaged;
        break;
      case Fate::kStopped:
        result.outcome = ImageOutcome::kStopped;
        break;
      case Fate::kCardLost:
        result.outcome = ImageOutcome::kCardLost;
        break;
      case Fate::kImageFailed:
        result.outcome = ImageOutcome::kImageWriteFailed;
        break;
      case Fate::kMapFailed:
        result.outcome = ImageOutcome::kMapWriteFailed;
        break;
    }
  }

 private:
  // Copies the non-tried areas in large reads. `skipping`: past a failed
  // read, jumps ahead, leaving the jumped-over bytes for the next pass.
  void Copy(bool skipping) {
    BeginPass(ImagingPhase::kCopying, 0, map_.Tally().non_tried);
    std::int64_t skip = 0;
    std::int64_t pos = 0;
    while (std::optional<ByteRange> area = map_.NextIn(RangeState::kNonTried, pos)) {
      pos = area->pos;
      const std::int64_t end = area->pos + area->size;
      while (pos < end) {
        if (Stopped()) return;
        const std::int64_t length = std::min(kLargeRead, end - pos);
        std::optional<std::size_t> got = ReadCard(pos, length);
        if (!got) return;
        const auto kept = static_cast<std::int64_t>(*got) == length
                              ? length
                              : static_cast<std::int64_t>(*got) / kSectorSize * kSectorSize;
        if (kept > 0 && !Put(pos, std::span(Buffer()).first(static_cast<std::size_t>(kept)))) {
          return;
        }
        image_->StartSync();
        Mark(pos, kept, RangeState::kFinished);
        Mark(pos + kept, length - kept, RangeState::kNonTrimmed);
        std::int64_t jump = 0;
        if (kept < length && skipping) {
          skip = skip == 0 ? kFirstSkip : std::min(2 * skip, kLongestSkip);
          jump = std::min(skip, end - pos - length);
        } else if (kept == length) {
          skip = 0;
        }
        pos += length + jump;
        Advance(pos, length + jump);
      }
    }
  }

  // Reads each non-trimmed block sector by sector from its leading edge
  // forward, then from its trailing edge backward, each until a sector
  // fails; what lies between is left for scraping.
  void Trim() {
    BeginPass(ImagingPhase::kTrimming, 0, map_.Tally().non_trimmed);
    std::int64_t from = 0;
    while (std::optional<ByteRange> block = map_.NextIn(RangeState::kNonTrimmed, from)) {
      std::int64_t front = block->pos;
      std::int64_t back = block->pos + block->size;
      while (front < back) {
        const std::int64_t sector_end = SectorEnd(front, back);
        std::optional<bool> read = ReadSector(front, sector_end, RangeState::kBadSector);
        if (!read) return;
        front = sector_end;
        if (!*read) break;
      }
      while (front < back) {
        const std::int64_t sector_start = std::max(front, (back - 1) / kSectorSize * kSectorSize);
        std::optional<bool> read = ReadSector(sector_start, back, RangeState::kBadSector);
        if (!read) return;
        back = sector_start;
        if (!*read) break;
      }
      Mark(front, back - front, RangeState::kNonScraped);
      Advance(front, back - front);
      from = block->pos + block->size;
    }
  }

  // Reads the non-scraped blocks sector by sector; a sector that fails is bad.
  void Scrape() {
    BeginPass(ImagingPhase::kScraping, 0, map_.Tally().non_scraped);
    SectorBySector(RangeState::kNonScraped, RangeState::kBadSector);
  }

  // Reads each bad sector once more.
  void Retry(std::int64_t retry) {
    BeginPass(ImagingPhase::kRetrying, retry, map_.Tally().bad);
    SectorBySector(RangeState::kBadSector, RangeState::kBadSector);
  }

  void SectorBySector(RangeState over, RangeState failed) {
    std::int64_t from = 0;
    while (std::optional<ByteRange> block = map_.NextIn(over, from)) {
      const std::int64_t end = block->pos + block->size;
      for (std::int64_t at = block->pos; at < end;) {
        const std::int64_t sector_end = SectorEnd(at, end);
        if (!ReadSector(at, sector_end, failed)) return;
        at = sector_end;
      }
      from = end;
    }
  }

  // Reads [at, end), one sector or less, into the image and the map: true
  // when it was read, false when it failed and is now `failed`; nullopt when
  // the run ends (a stop, the card gone, the image unwritable).
  std::optional<bool> ReadSector(std::int64_t at, std::int64_t end, RangeState failed) {
    if (Stopped()) return std::nullopt;
    std::optional<std::size_t> got = ReadCard(at, end - at);
    if (!got) return std::nullopt;
    const bool read = static_cast<std::int64_t>(*got) == end - at;
    if (read && !Put(at, std::span(Buffer()).first(*got))) return std::nullopt;
    Mark(at, end - at, read ? RangeState::kFinished : failed);
    Advance(end, end - at);
    return fate_ == Fate::kGoingOn ? std::optional<bool>(read) : std::nullopt;
  }

  // Reads `length` bytes at `pos` into the buffer; the count delivered, or
  // nullopt when the card is gone: then nothing of that read counts.
  std::optional<std::size_t> ReadCard(std::int64_t pos, std::int64_t length) {
    std::span<std::byte> into = std::span(Buffer()).first(static_cast<std::size_t>(length));
    const ReadResult read = card_.Read(pos, into);
    std::size_t got = std::min(read.delivered, into.size());
    if (got < into.size()) {
      const Status& status = read.status;
      if (status.code() == Status::Code::kDeviceGone) {
        End(Fate::kCardLost, status);
        return std::nullopt;
      }
    }
    return got;
  }

  // The buffer the next read goes into: never the one being hashed.
  IoBuffer& Buffer() { return buffers_[reading_]; }

  // Writes `bytes` at `pos` into the image, with zeros between its end so far
  // and `pos`. `bytes` may be in the hasher's hands afterwards, so the next
  // read goes into the other buffer.
  bool Put(std::int64_t pos, std::span<const std::byte> bytes) {
    if (!bytes.empty()) reading_ ^= 1;
    while (image_length_ < pos) {
      std::size_t zeros = static_cast<std::size_t>(
          std::min<std::int64_t>(pos - image_length_, static_cast<std::int64_t>(kZeros.size())));
      if (!Append(std::span(kZeros).first(zeros))) return false;
    }
    const std::size_t inside = static_cast<std::size_t>(
        std::clamp<std::int64_t>(image_length_ - pos, 0, static_cast<std::int64_t>(bytes.size())));
    if (inside > 0) {
      hashed_in_order_ = false;
      if (Status put = image_->WriteAt(pos, bytes.first(inside)); !put.ok()) return ImageFailed(put);
    }
    return inside == bytes.size() || Append(bytes.subspan(inside));
  }

  // Writes at the image's end; bytes written in order are hashed on the
  // way, which spares reading a healthy card's image once more.
  bool Append(std::span<const std::byte> bytes) {
    if (Status put = image_->Write(bytes); !put.ok()) return ImageFailed(put);
    if (hashed_in_order_) {
      hash_.Update(bytes);
      hashed_ += static_cast<std::int64_t>(bytes.size());
    }
    image_length_ += static_cast<std::int64_t>(bytes.size());
    return true;
  }

  bool ImageFailed(const Status& why) {
    image_failure_ = why;
    End(Fate::kImageFailed, why);
    return false;
  }

  // Once a sync has failed, no map may vouch for what the image holds.
  bool SyncImage() {
    if (image_synced_) {
      Status synced = image_->Sync();
      image_synced_ = synced.ok();
      if (!image_synced_) image_failure_ = synced;
    }
    if (!image_synced_) ImageFailed(image_failure_);
    return image_synced_;
  }

  // Puts [pos, pos + size) in `state`; a failure that is new makes the map due.
  void Mark(std::int64_t pos, std::int64_t size, RangeState state) {
    if (size <= 0) return;
    if (state != RangeState::kFinished) {
      std::optional<ByteRange> already = map_.NextIn(state, pos);
      if (!already || already->pos != pos || already->size < size) failure_unsaved_ = true;
    }
    map_.Set(pos, size, state);
  }

  void BeginPass(ImagingPhase phase, std::int64_t retry, std::int64_t total) {
    if (fate_ != Fate::kGoingOn || total == 0) return;
    map_.phase = phase;
    retry_ = static_cast<int>(retry);
    pass_done_ = 0;
    pass_total_ = total;
  }

  // After each read: the progress report, and the map when it is due.
  void Advance(std::int64_t pos, std::int64_t tried) {
    current_pos_ = pos;
    pass_done_ += tried;
    if (progress_) {
      const MapTally tally = map_.Tally();
      ImagingProgress report;
      report.phase = map_.phase;
      report.retry = retry_;
      report.card_size = map_.end();
      report.rescued = tally.finished;
      // Bad sectors are still to try while a retry pass is to come; in the
      // last one, those it has not reached.
      std::int64_t bad_to_try = options_.retries > 0 ? tally.bad : 0;
      if (map_.phase == ImagingPhase::kRetrying && retry_ == options_.retries) {
        bad_to_try = pass_total_ - std::min(pass_done_, pass_total_);
      }
      report.to_try = tally.non_tried + tally.non_trimmed + tally.non_scraped + bad_to_try;
      report.bad_areas = tally.failed_areas;
      report.pass_done = std::min(pass_done_, pass_total_);
      report.pass_total = pass_total_;
      progress_(report);
    }
    const auto since = Clock::now() - last_saved_;
    if (since >= options_.map_interval ||
        (failure_unsaved_ &&
         since >= std::min<Clock::duration>(kFailureToMap, options_.map_interval))) {
      SaveMap();
    }
  }

  bool Stopped() {
    if (fate_ == Fate::kGoingOn && stop_requested_ && stop_requested_()) End(Fate::kStopped, {});
    return fate_ != Fate::kGoingOn;
  }

  // The first cause to end the run is the one told; a failure to save the
  // map at the end still outranks a stop.
  void End(Fate fate, const Status& why) {
    if (fate_ != Fate::kGoingOn && !(fate_ == Fate::kStopped && fate != Fate::kStopped)) return;
    fate_ = fate;
    failure_ = why;
  }

  // Syncs the image, then puts the map's new text in place in one step, so
  // that it never tells of bytes the disk does not hold.
  void SaveMap() {
    // After a failed write the image still holds what the map marks.
    if (fate_ == Fate::kMapFailed || !SyncImage()) return;
    map_.current_pos = current_pos_;
    const std::string text = FormatRescueMap(map_);
    Status why_not_created;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
      char word[16];
      std::snprintf(word, sizeof word, ".%08x.new", static_cast<unsigned>(names_()));
      const std::string temporary = map_path_ + word;
      Result<std::unique_ptr<TargetFile>> created = platform_.CreateNewFile(temporary);
      if (!created) {
        why_not_created = created.status();
        if (why_not_created.code() == Status::Code::kExists) continue;
        End(Fate::kMapFailed, why_not_created);
        return;
      }
      std::unique_ptr<TargetFile> file = std::move(created).value();
      Status why = file->Write(std::as_bytes(std::span(text)));
      if (why.ok()) why = file->Sync();
      file.reset();
      if (!why.ok()) {
        End(Fate::kMapFailed, why);
      } else if (Status renamed = platform_.RenameReplacing(temporary, map_path_); !renamed.ok()) {
        End(Fate::kMapFailed, renamed);
      }
      last_saved_ = Clock::now();
      failure_unsaved_ = false;
      return;
    }
    End(Fate::kMapFailed, why_not_created);
  }

  Volume& card_;
  Platform& platform_;
  const std::string map_path_;
  RescueMap map_;
  std::unique_ptr<TargetFile> image_;
  std::int64_t image_length_;
  const ImagingOptions& options_;
  const ImagingProgressReport& progress_;
  const StopRequested& stop_requested_;
  IoBuffer buffers_[2];
  int reading_ = 0;
  std::minstd_rand names_;
  Sha256Alongside hash_;  // after the buffers: ends before them
  std::int64_t hashed_ = 0;
  bool hashed_in_order_ = image_length_ == 0;
  Clock::time_point last_saved_;
  bool failure_unsaved_ = false;
  bool image_synced_ = true;
  Status image_failure_;  // the image's last failed write or sync
  Fate fate_ = Fate::kGoingOn;
  Status failure_;
  std::int64_t current_pos_ = 0;
  int retry_ = 0;  // fits: at most options_.retries
  std::int64_t pass_done_ = 0;
  std::int64_t pass_total_ = 0;
};

// The length of the file `path`, or -1. Asked before the file is opened to
// write, and closed again: a system may not share it then.
std::int64_t FileLength(Platform& platform, const std::string& path) {
  Result<std::unique_ptr<Volume>> file = platform.OpenFileToRead(path);
  return file ? (*file)->Size() : -1;
}

// The map beside an existing image of `image_size` bytes, when it is ours,
// of this card and fits the image; otherwise `result` says why not.
std::optional<RescueMap> MapToContinue(Platform& platform, const std::string& image_path,
                                       std::int64_t image_size, std::int64_t card_size,
                                       ImageResult& result) {
  std::optional<std::string> text = platform.ReadSmallFile(MapPathOf(image_path), kMapSizeCap);
  if (!text) {
    result.outcome = ImageOutcome::kMapInvalid;
    result.map_error = "it cannot be read, or is larger than any map of a card";
    return std::nullopt;
  }
  if (text->substr(0, text->find('\n')) != OwnMapFirstLine(card_size)) {
    result.outcome = ImageOutcome::kMapForeign;
    result.map_error =
        "it is not this program's map of a card of " + std::to_string(card_size) + " bytes";
    return std::nullopt;
  }
  ParsedMap parsed = ParseRescueMap(*text, card_size);
  if (!parsed.map) {
    result.outcome = ImageOutcome::kMapInvalid;
    result.map_error = parsed.error;
    return std::nullopt;
  }
  if (parsed.map->end() != card_size) {
    result.outcome = ImageOutcome::kMapInvalid;
    result.map_error =
        "its blocks end at byte " + std::to_string(parsed.map->end()) + ", short of the card's end";
    return std::nullopt;
  }
  // The image holds every byte the map marks finished, and nothing past the card.
  std::int64_t finished_end = 0;
  for (const MapRange& range : parsed.map->ranges()) {
    if (range.state == RangeState::kFinished) finished_end = range.pos + range.size;
  }
  if (image_size < finished_end || image_size > card_size) {
    result.outcome = ImageOutcome::kMapForeign;
    result.map_error = "the image's " + std::to_string(image_size) + " bytes do not fit it";
    return std::nullopt;
  }
  return parsed.map;
}

// The digest of the image file as it is on disk, read once.
std::optional<Sha256Digest> DigestOfFile(Platform& platform, const std::string& path,
                                         Status& why) {
  Result<std::unique_ptr<Volume>> opened = platform.OpenFileToRead(path);
  if (!opened) {
    why = opened.status();
    return std::nullopt;
  }
  std::unique_ptr<Volume> image = std::move(opened).value();
  const std::int64_t size = image->Size();
  IoBuffer buffer(static_cast<std::size_t>(kLargeRead));
  Sha256 hash;
  for (std::int64_t pos = 0; pos < size;) {
    std::span<std::byte> chunk =
        std::span(buffer).first(static_cast<std::size_t>(std::min(kLargeRead, size - pos)));
    if (const ReadResult read = image->Read(pos, chunk); read.delivered != chunk.size()) {
      why = read.status;
      return std::nullopt;
    }
    hash.Update(chunk);
    pos += static_cast<std::int64_t>(chunk.size());
  }
  return hash.Finish();
}

// Digests the complete image and writes the digest file beside it, new.
// `digest` when known already.
void WriteDigest(Platform& platform, const std::string& image_path,
                 std::optional<Sha256Digest> digest, ImageResult& result) {
  if (!digest) digest = DigestOfFile(platform, image_path, result.failure);
  if (!digest) {
    result.digest_file = DigestFile::kFailed;
    return;
  }
  result.sha256 = HexOf(*digest);
  const std::string path = DigestPathOf(image_path);
  if (platform.FileExists(path)) {
    result.digest_file = DigestFile::kExisted;
    return;
  }
  Result<std::unique_ptr<TargetFile>> created = platform.CreateNewFile(path);
  if (!created) {
    result.digest_file = DigestFile::kFailed;
    result.failure = created.status();
    return;
  }
  std::unique_ptr<TargetFile> file = std::move(created).value();
  const std::string line = Sha256sumLine(*digest, FileNameOf(image_path));
  Status written = file->Write(std::as_bytes(std::span(line)));
  if (written.ok()) written = file->Sync();
  if (written.ok()) {
    result.digest_file = DigestFile::kWritten;
  } else {
    result.digest_file = DigestFile::kFailed;
    result.failure = written;
  }
}

}  // namespace

std::string MapPathOf(const std::string& image_path) { return image_path + ".map"; }
std::string DigestPathOf(const std::string& image_path) { return image_path + ".sha256"; }

ImageResult ImageCard(Volume& card, Platform& platform, const std::string& image_path,
                      const ImagingOptions& options, const ImagingProgressReport& progress,
                      const StopRequested& stop_requested) {
  ImageResult result;
  result.card_size = card.Size();
  const std::string map_path = MapPathOf(image_path);
  if (result.card_size < 0) {
    result.outcome = ImageOutcome::kSizeUnknown;
    return result;
  }
  const bool image_exists = platform.FileExists(image_path);
  const bool map_exists = platform.FileExists(map_path);
  if (image_exists != map_exists) {
    result.outcome = image_exists ? ImageOutcome::kImageExists : ImageOutcome::kMapExists;
    return result;
  }

  RescueMap map;
  std::unique_ptr<TargetFile> image;
  std::int64_t image_length = 0;
  if (image_exists) {
    image_length = FileLength(platform, image_path);
    std::optional<RescueMap> continued =
        MapToContinue(platform, image_path, image_length, result.card_size, result);
    if (!continued) return result;
    map = std::move(*continued);
    Result<std::unique_ptr<TargetFile>> opened = platform.OpenFileToUpdate(image_path);
    if (!opened) {
      result.outcome = ImageOutcome::kCannotCreateImage;
      result.failure = opened.status();
      return result;
    }
    image = std::move(opened).value();
    result.resumed = true;
  } else {
    Result<std::unique_ptr<TargetFile>> created = platform.CreateNewFile(image_path);
    if (!created) {
      result.outcome = ImageOutcome::kCannotCreateImage;
      result.failure = created.status();
      return result;
    }
    image = std::move(created).value();
    // The first map is created new like the image; later ones replace it.
    map.Append(result.card_size, RangeState::kNonTried);
    Result<std::unique_ptr<TargetFile>> map_file = platform.CreateNewFile(map_path);
    if (!map_file) {
      result.outcome = ImageOutcome::kCannotCreateMap;
      result.failure = map_file.status();
      return result;
    }
    const std::string text = FormatRescueMap(map);
    Status written = (*map_file)->Write(std::as_bytes(std::span(text)));
    if (written.ok()) written = (*map_file)->Sync();
    if (!written.ok()) {
      result.outcome = ImageOutcome::kCannotCreateMap;
      result.failure = written;
      return result;
    }
  }

  Imaging imaging(card, platform, image_path, std::move(map), std::move(image), image_length,
                  options, progress, stop_requested);
  const bool complete = imaging.Run();
  imaging.FillResult(result);
  if (complete) WriteDigest(platform, image_path, imaging.DigestOnTheWay(), result);
  return result;
}

}  // namespace kvx
