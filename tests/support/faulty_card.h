// A failing card held in memory, for the imaging tests: chosen sectors fail
// a number of reads or every read, and the whole card can vanish after a
// number of reads, as a card pulled out of its reader does; and whether an
// image holds what a map says of it.
//
// A read over a failing sector delivers the bytes before it, or nothing when
// whole_read_fails; every read is logged, and takes `read_time`.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "imaging/rescue_map.h"
#include "platform/volume.h"

namespace kvx::testing {

inline constexpr int kAlways = -1;

class FaultyCard final : public Volume {
 public:
  explicit FaultyCard(std::int64_t size, std::uint32_t seed = 1)
      : bytes(static_cast<std::size_t>(size)) {
    std::mt19937 rng(seed);
    for (std::byte& b : bytes) b = static_cast<std::byte>(rng() | 1);
  }

  ReadResult Read(std::int64_t offset, std::span<std::byte> buffer) override {
    reads.emplace_back(offset, buffer.size());
    std::this_thread::sleep_for(read_time);
    Status status;
    if (reads.size() > gone_after_reads) {
      return {0, Status(Status::Code::kDeviceGone, "card", "No such device")};
    }
    auto size = static_cast<std::int64_t>(bytes.size());
    if (offset < 0 || offset >= size) return {};
    std::int64_t end = std::min(offset + static_cast<std::int64_t>(buffer.size()), size);
    std::int64_t delivered_end = end;
    for (auto it = failures.lower_bound(offset / 512);
         it != failures.end() && it->first * 512 < end; ++it) {
      if (it->second == 0) continue;
      if (it->second > 0) --it->second;
      delivered_end = std::min(delivered_end, it->first * 512);
    }
    if (delivered_end < end) status = Status(Status::Code::kIoError, "card", "I/O error");
    if (whole_read_fails && delivered_end < end) return {0, status};
    std::memcpy(buffer.data(), bytes.data() + offset,
                static_cast<std::size_t>(delivered_end - offset));
    return {static_cast<std::size_t>(delivered_end - offset), status};
  }
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes.size()); }

  // Sectors [first_sector, end_sector) fail their next `reads` reads.
  void Fail(std::int64_t first_sector, std::int64_t end_sector, int reads_failed = kAlways) {
    for (std::int64_t s = first_sector; s < end_sector; ++s) failures[s] = reads_failed;
  }

  std::vector<std::byte> bytes;
  std::map<std::int64_t, int> failures;  // sector -> reads it still fails
  bool whole_read_fails = false;
  std::chrono::microseconds read_time{0};
  std::size_t gone_after_reads = std::numeric_limits<std::size_t>::max();
  std::vector<std::pair<std::int64_t, std::size_t>> reads;  // offset, size asked
};

// True when the image holds the card's bytes wherever the map says finished.
inline bool ImageHoldsWhatTheMapPromises(const FaultyCard& card,
                                         const std::vector<std::byte>& image,
                                         const RescueMap& map) {
  for (const MapRange& r : map.ranges()) {
    if (r.state != RangeState::kFinished) continue;
    if (r.pos + r.size > static_cast<std::int64_t>(image.size()) ||
        !std::equal(card.bytes.begin() + r.pos, card.bytes.begin() + r.pos + r.size,
                    image.begin() + r.pos)) {
      return false;
    }
  }
  return true;
}

}  // namespace kvx::testing
