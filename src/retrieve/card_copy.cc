#include "retrieve/card_copy.h"

#include <algorithm>

namespace kvx {

namespace {

std::int64_t RoundUpToSector(std::int64_t count) {
  return (count + kSectorSize - 1) / kSectorSize * kSectorSize;
}

}  // namespace

bool ReadAsSectorCopy(CardVolume& card, std::int64_t offset, std::int64_t count,
                      BufferRing& buffers, const TakeCardBytes& take) {
  const std::int64_t whole = std::max<std::int64_t>(count, 0);
  std::int64_t position = offset;
  std::int64_t remaining = whole;
  // Below this offset the reading goes sector by sector: a large read came up
  // short there, and only single sectors tell where the delivered bytes end.
  std::int64_t sector_reads_until = position;

  while (remaining > 0) {
    const std::span<std::byte> buffer = buffers.buffers[buffers.next];
    const auto chunk = static_cast<std::int64_t>(buffer.size());
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

    position += usable;
    remaining = file_ends ? 0 : remaining - usable;
    // The next read goes into another buffer, whether or not this one ends
    // the reading; a buffer handed on empty may be read into again at once.
    if (usable > 0) buffers.next = (buffers.next + 1) % buffers.buffers.size();
    if (!take(into.first(static_cast<std::size_t>(usable)), whole - remaining) && remaining > 0) {
      return false;
    }
  }
  return true;
}

CopyEnd CopyFromCard(CardVolume& card, std::int64_t offset, std::int64_t count,
                     TargetFile& target, BufferRing& buffers, Sha256Alongside& hash,
                     const std::function<bool(std::int64_t)>& on_chunk) {
  std::int64_t written = 0;
  Status write_status;
  const bool dealt_with = ReadAsSectorCopy(
      card, offset, count, buffers, [&](std::span<const std::byte> bytes, std::int64_t done) {
        if (!bytes.empty()) write_status = target.Write(bytes);
        if (!write_status.ok()) return false;
        hash.Update(bytes);
        written += static_cast<std::int64_t>(bytes.size());
        return on_chunk(done);
      });
  if (!write_status.ok()) return {CopyResult::kWriteFailed, written, write_status};
  return {dealt_with ? CopyResult::kCopied : CopyResult::kStopped, written, Status()};
}

}  // namespace kvx
