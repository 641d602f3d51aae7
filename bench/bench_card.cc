#include "bench/bench_card.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <span>

#include "tools/card_image/card_image.h"

namespace kvx::bench {

namespace {

constexpr std::int64_t kSector = 512;
constexpr std::int64_t kHeaderSize = 1536;
constexpr std::int64_t kSmallest = std::int64_t{8} << 10;
constexpr std::int64_t kLargest = std::int64_t{20} << 20;
constexpr int kMostRecordings = 300;
constexpr int kListedSlots = 255;  // slots 2, 4, ... 510 of the 1G directory
constexpr int kOrphans = 5;
constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// A small, fast generator; the same seed gives the same numbers everywhere.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }

 private:
  std::uint64_t state_;
};

std::int64_t RoundUp(std::int64_t value, std::int64_t step) {
  return (value + step - 1) / step * step;
}

// Appends bytes to the image file through one buffer.
class ImageWriter {
 public:
  ImageWriter(int fd, std::uint64_t seed) : fd_(fd), random_(seed), buffer_(kBufferSize) {}

  bool Put(std::span<const std::byte> bytes) {
    return Append(static_cast<std::int64_t>(bytes.size()), [&](std::span<std::byte> into) {
      std::memcpy(into.data(), bytes.data() + (position_ - put_from_), into.size());
    });
  }

  // Free space: random bytes, with no sector that could begin a header.
  bool PutFreeSpace(std::int64_t count) {
    return Append(count, [&](std::span<std::byte> into) {
      FillRandom(into, 0);
      std::int64_t first_7 = position_ + (7 - position_ % kSector + kSector) % kSector;
      for (std::int64_t at = first_7; at < position_ + static_cast<std::int64_t>(into.size());
           at += kSector) {
        std::byte& byte = into[static_cast<std::size_t>(at - position_)];
        if (byte == std::byte{0x06}) byte = std::byte{0x07};
      }
    });
  }

  // A recording of `length` bytes: its header, then its body.
  bool PutRecording(std::int64_t length) {
    std::byte header[kHeaderSize];
    FillRandom(header, kHighBits);
    auto body = static_cast<std::uint32_t>(length - kHeaderSize);
    header[6] = std::byte{0x00};
    header[7] = std::byte{0x06};
    for (int i = 0; i < 4; ++i) header[8 + i] = static_cast<std::byte>(body >> (8 * i));
    header[1534] = std::byte{0x01};
    header[1535] = std::byte{0x80};
    return Put(header) && Append(length - kHeaderSize,
                                 [&](std::span<std::byte> into) { FillRandom(into, kHighBits); });
  }

  bool Flush() {
    std::size_t done = 0;
    while (done < used_) {
      ssize_t put = ::write(fd_, buffer_.data() + done, used_ - done);
      if (put <= 0) return false;
      done += static_cast<std::size_t>(put);
    }
    used_ = 0;
    return true;
  }

  std::int64_t position() const { return position_; }

 private:
  // Hands `fill` the free part of the buffer, piece by piece, `count` bytes in
  // all; position_ is the image offset of the piece's first byte meanwhile.
  bool Append(std::int64_t count, const std::function<void(std::span<std::byte>)>& fill) {
    put_from_ = position_;
    while (count > 0) {
      if (used_ == buffer_.size() && !Flush()) return false;
      std::size_t piece =
          std::min<std::size_t>(buffer_.size() - used_, static_cast<std::size_t>(count));
      fill(std::span<std::byte>(buffer_).subspan(used_, piece));
      used_ += piece;
      position_ += static_cast<std::int64_t>(piece);
      count -= static_cast<std::int64_t>(piece);
    }
    return true;
  }

  void FillRandom(std::span<std::byte> into, std::uint64_t set_bits) {
    std::size_t at = 0;
    for (; at + 8 <= into.size(); at += 8) {
      std::uint64_t word = random_.Next() | set_bits;
      std::memcpy(into.data() + at, &word, 8);
    }
    std::uint64_t word = random_.Next() | set_bits;
    std::memcpy(into.data() + at, &word, into.size() - at);
  }

  int fd_;
  SplitMix64 random_;
  std::vector<std::byte> buffer_;
  std::size_t used_ = 0;
  std::int64_t position_ = 0;
  std::int64_t put_from_ = 0;  // where the current Put began
};

// The boot sector, the directory and the instrument's file in cluster 2:
// everything before cluster 3.
CardImage Prologue(const BenchCard& card) {
  CardImage image(CardImage::Layout::kG1,
                  CardImage(CardImage::Layout::kG1, kSector).ClusterOffset(3));
  image.PlaceHeader(image.ClusterOffset(2), 0);
  for (int i = 0; i < card.listed; ++i) {
    const BenchFile& file = card.recordings[static_cast<std::size_t>(i)];
    std::string number = std::to_string(10000 + i + 1).substr(1);
    std::int64_t cluster = 2 + (file.offset - image.DataRegionOffset()) / image.BytesPerCluster();
    image.AddEntry("DATA" + number + ".KVX", cluster, static_cast<std::uint32_t>(file.length),
                   i % 10 == 9);
  }
  return image;
}

}  // namespace

BenchCard PlanBenchCard(std::int64_t length, std::uint64_t seed) {
  BenchCard card;
  card.length = length;
  card.seed = seed;
  CardImage geometry(CardImage::Layout::kG1, kSector);  // the boot sector sets the geometry
  const std::int64_t cluster = geometry.BytesPerCluster();
  SplitMix64 random(seed);

  std::int64_t offset = geometry.ClusterOffset(3);
  const std::int64_t room = length - length / 8;
  const double low = std::log(static_cast<double>(kSmallest));
  const double high = std::log(static_cast<double>(kLargest));
  while (static_cast<int>(card.recordings.size()) < kMostRecordings) {
    auto file_length = static_cast<std::int64_t>(std::exp(low + random.Unit() * (high - low)));
    if (offset + file_length > room) break;
    card.recordings.push_back({offset, file_length});
    offset += RoundUp(file_length, cluster);
  }
  card.listed = std::min<int>(static_cast<int>(card.recordings.size()), kListedSlots);

  // Orphans spread over the free space, off every cluster boundary.
  const std::int64_t free_start = offset;
  for (int i = 1; i <= kOrphans; ++i) {
    std::int64_t at = (free_start + (length - free_start) * i / (kOrphans + 1)) / kSector * kSector;
    if ((at - geometry.DataRegionOffset()) % cluster == 0) at += kSector;
    std::int64_t orphan_length =
        kHeaderSize + 2048 + static_cast<std::int64_t>(random.Next() % 63488);
    card.orphans.push_back({at, orphan_length});
  }
  return card;
}

std::string WriteBenchCard(const BenchCard& card, const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return "cannot create " + path;

  ImageWriter writer(fd, card.seed + 1);
  bool ok = writer.Put(Prologue(card).bytes());
  auto put_files = [&](const std::vector<BenchFile>& files) {
    for (const BenchFile& file : files) {
      ok = ok && writer.PutFreeSpace(file.offset - writer.position()) &&
           writer.PutRecording(file.length);
    }
  };
  put_files(card.recordings);
  put_files(card.orphans);
  ok = ok && writer.PutFreeSpace(card.length - writer.position()) && writer.Flush();
  // On the disk before anything is timed, so its write-back does not run meanwhile.
  ok = ok && ::fdatasync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  return ok ? "" : "cannot write " + path;
}

}  // namespace kvx::bench
