// Reads a run of card bytes as a copy in 512-byte sectors would, in large
// reads, and copies it into a target file.
//
// The sector copy this stands for: read the sector at the current position;
// a full sector gives as much of it as the count still wants; a sector that
// comes up short gives what it delivered (never more than the count still
// wanted) and ends the file, so no byte the card did not deliver reaches the
// target. Large reads give the same bytes: where one comes up short, the
// reading goes on sector by sector from the first sector it did not deliver.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "card/card_volume.h"
#include "platform/sha256_alongside.h"
#include "platform/target_file.h"

namespace kvx {

// Gets, after each read, the bytes it gave (possibly none) and how much of
// the count is dealt with: the bytes given so far, or all of it once the file
// ends. Returns false to end the reading there.
using TakeCardBytes = std::function<bool(std::span<const std::byte> bytes, std::int64_t dealt_with)>;

// The buffers readings go into, in turn; the turn carries on from one
// reading to the next.
struct BufferRing {
  std::span<const std::span<std::byte>> buffers;
  std::size_t next = 0;
};

// Reads up to `count` bytes from card offset `offset` (nothing for a count of
// 0 or less), handing them to `take` in order. Returns true when the count
// was dealt with, false when `take` ended the reading before. The reads go
// into the ring's buffers in turn, so the bytes `take` got stay unchanged
// until it has got as many more pieces that are not empty as there are
// other buffers.
// REQUIRES: at least one buffer; each one's size a positive multiple of 512.
bool ReadAsSectorCopy(CardVolume& card, std::int64_t offset, std::int64_t count,
                      BufferRing& buffers, const TakeCardBytes& take);

// Whether the target took every byte the copy gave it, or the copy was asked
// to stop first.
enum class CopyResult { kCopied, kWriteFailed, kStopped };

struct CopyEnd {
  CopyResult result = CopyResult::kCopied;
  std::int64_t written = 0;  // the bytes the target took
  Status write_status;       // kWriteFailed only: why the write failed
};

// Copies what ReadAsSectorCopy gives into `target`, and hands each piece
// written to `hash`, whose thread hashes it while the next pieces are read:
// the caller ends the file's stream there and takes its digest.
// `on_chunk` gets, after each read, how much of the count is dealt with; it
// returns false to stop the copy there (kStopped unless the count is dealt
// with). Stops at the first failed write; what was written stays.
// REQUIRES: as ReadAsSectorCopy; `hash` holds fewer pieces than there are
// buffers, counting those it holds of earlier copies through the same ring.
CopyEnd CopyFromCard(CardVolume& card, std::int64_t offset, std::int64_t count,
                     TargetFile& target, BufferRing& buffers, Sha256Alongside& hash,
                     const std::function<bool(std::int64_t)>& on_chunk);

}  // namespace kvx
