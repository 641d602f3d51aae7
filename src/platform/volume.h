// A card opened as a raw volume: positioned reads, nothing else.
//
// A Volume never writes. Read() answers "the bytes at absolute offset X":
// it delivers as many as the volume holds there, fewer (down to 0) where the
// volume ends or the device fails, and 0 for a negative offset. The volume is
// closed when the object is destroyed. Size() tells how many bytes it holds,
// where the system can say, so a long scan can show how far it has come.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/status.h"

namespace kvx {

// What a read delivered: the count of bytes, and why it was fewer than asked
// (the system's error), or OK where it delivered all or the volume simply ended.
struct ReadResult {
  std::size_t delivered = 0;
  Status status;
};

class Volume {
 public:
  virtual ~Volume() = default;

  // Reads up to buffer.size() bytes at `offset`; returns the count delivered
  // and why it fell short. Bytes of `buffer` past that count are unspecified.
  virtual ReadResult Read(std::int64_t offset, std::span<std::byte> buffer) = 0;

  // The volume's length in bytes, or -1 when the system cannot tell. Only
  // for showing progress: reads, not this figure, decide where a scan ends.
  virtual std::int64_t Size() const { return -1; }

  // Where the volume's offset 0 lies in the file or device it was opened
  // from: a partition's first byte, else 0.
  virtual std::int64_t StartInWhole() const { return 0; }
};

}  // namespace kvx
