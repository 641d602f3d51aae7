// The second read of a recovered file: the card range it was copied from is
// read again, as the copy read it, and compared with the file as the target
// gives it back. When they match, the digest of the bytes the copy wrote is
// also that of what the target holds.
//
// Memory stays flat: both sides are read in pieces of the buffers' size.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "card/card_volume.h"
#include "platform/status.h"
#include "platform/volume.h"

namespace kvx {

enum class SecondRead {
  kMatched,         // the card gave the file's bytes again
  kDiffers,         // the card gave other bytes: it is unstable there
  kCardFailed,      // the card gave fewer bytes than it did the first time
  kFileUnreadable,  // the target gave back fewer bytes than were written
  kStopped,         // asked to stop before the end
};

struct SecondReadResult {
  SecondRead outcome = SecondRead::kMatched;
  // Except for kMatched and kStopped: the offset within the file of the first
  // byte that differs, or that could not be read.
  std::int64_t at = 0;
  // kCardFailed: why the card's read came up short.
  Status card_status;
};

// Compares card bytes [offset, offset + length) with bytes [0, length) of
// `file`. `on_chunk` gets, after each card read, how much of `length` is
// dealt with, and returns false to stop.
// REQUIRES: card_buffer.size() is a positive multiple of 512.
SecondReadResult ReadSecondTime(CardVolume& card, std::int64_t offset, std::int64_t length,
                                Volume& file, std::span<std::byte> card_buffer,
                                std::span<std::byte> file_buffer,
                                const std::function<bool(std::int64_t)>& on_chunk);

}  // namespace kvx
