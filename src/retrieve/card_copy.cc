#include "retrieve/card_copy.h"

#include <algorithm>

namespace kvx {

namespace {

std::int64_t RoundUpToSector(std::int64_t count) {
  return (count + kSectorSize - 1) / kSectorSize * kSectorSize;
}

}  // namespace

CopyResult CopyFromCard(CardVolume& card, std::int64_t offset, std::int64_t count,
                        TargetFile& target, std::span<std::byte> buffer,
                        const std::function<bool(std::int64_t)>& on_chunk) {
  const auto chunk = static_cast<std::int64_t>(buffer.size());
  std::int64_t position = offset;
  std::int64_t remaining = std::max<std::int64_t>(count, 0);
  // Below this offset the copy reads sector by sector: a large read came up
  // short there, and only single sectors tell where the delivered bytes end.
  std::int64_t sector_reads_until = position;

  while (remaining > 0) {
    std::int64_t wanted =
        position < sector_reads_until ? kSectorSize : std::min(chunk, RoundUpToSector(remaining));
    std::span<std::byte> into = buffer.first(static_cast<std::size_t>(wanted));
    auto delivered = static_cast<std::int64_t>(ReadCard(card, position, into));

    std::int64_t usable = 0;
    bool file_ends = false;
    if (delivered == wanted) {
      usable = std::min(wanted, remaining);
    } else if (wanted == kSectorSize) {
      usable = std::min(delivered, remaining);
      file_ends = true;
    } else {
      // Whole sectors read in one go stand as single reads would have; the
      // first one not delivered in full is read again on its own.
      usable = delivered / kSectorSize * kSectorSize;
      sector_reads_until = position + wanted;
    }

    if (usable > 0 && !target.Write(into.first(static_cast<std::size_t>(usable)))) {
      return CopyResult::kWriteFailed;
    }
    position += usable;
    remaining = file_ends ? 0 : remaining - usable;
    if (!on_chunk(std::max<std::int64_t>(count, 0) - remaining) && remaining > 0) {
      return CopyResult::kStopped;
    }
  }
  return CopyResult::kCopied;
}

}  // namespace kvx
