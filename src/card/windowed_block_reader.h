// Serves fixed-size blocks of the card at rising offsets out of large reads.
//
// A scan that tests a block at every sector boundary would read each sector
// several times with one system call per block. This reader reads the card
// instead in windows of `payload` bytes plus the block's overhang, and hands
// out each block from memory, with the same answer as one positioned read of
// that block: the same bytes, or no block where such a read would come up short.
//
// Where a window read comes up short, the reader does not guess which blocks
// of the missing part a single read would still have delivered (a device may
// fail a large read as a whole over one bad sector): blocks that the delivered
// part does not hold are read one by one, exactly, up to the window's end; the
// next window starts after it. A scan therefore ends at exactly the block at
// which a block-by-block scan ends, having seen exactly the same bytes.
//
// Memory is one window buffer and one block buffer, whatever the card's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "card/card_volume.h"

namespace kvx {

class WindowedBlockReader {
 public:
  static constexpr std::size_t kDefaultPayload = std::size_t{1} << 20;  // 1 MiB

  // REQUIRES: block_size and payload are multiples of 512, both above 0.
  // The card must stay open, and unchanged, while the reader is used.
  WindowedBlockReader(CardVolume& card, std::size_t block_size,
                      std::size_t payload = kDefaultPayload);

  // The block_size bytes at `offset` (a multiple of 512), or an empty span
  // when one read of block_size bytes there would deliver fewer. Valid until
  // the next call. Offsets asked in rising order read the card once, front to
  // back; a lower offset is served too, by a fresh read.
  std::span<const std::byte> BlockAt(std::int64_t offset);

  // Window reads made so far, and the card offset the last one reached (its
  // start plus the bytes it delivered).
  std::int64_t windows_read() const { return windows_read_; }
  std::int64_t reached() const { return reached_; }

 private:
  std::span<const std::byte> ReadExactly(std::int64_t offset);

  CardVolume& card_;
  std::size_t block_size_;
  std::size_t payload_;
  std::vector<std::byte> window_;  // payload + block_size - 512 bytes
  std::vector<std::byte> block_;   // one block read on its own
  std::int64_t window_start_ = 0;
  std::int64_t window_delivered_ = 0;  // 0: no window held
  std::int64_t exact_until_ = 0;       // blocks starting below this, outside the
                                       // delivered part, are read on their own
  std::int64_t windows_read_ = 0;
  std::int64_t reached_ = 0;
};

}  // namespace kvx
