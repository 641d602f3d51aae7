// Copies a run of card bytes into a target file, in large reads, with the
// result of a copy in 512-byte sectors.
//
// The sector copy this stands for: read the sector at the current position;
// a full sector writes as much of it as the count still wants; a sector that
// comes up short writes what it delivered (never more than the count still
// wanted) and ends the file, so no byte the card did not deliver reaches the
// target. Large reads give the same bytes: where one comes up short, the
// copy goes on sector by sector from the first sector it did not deliver.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "card/card_volume.h"
#include "platform/target_file.h"

namespace kvx {

// Whether the target took every byte the copy gave it, or the copy was asked
// to stop first.
enum class CopyResult { kCopied, kWriteFailed, kStopped };

// Copies up to `count` bytes from card offset `offset` into `target` (nothing
// for a count of 0 or less). `on_chunk` gets, after each read, how much of the
// count is dealt with: the bytes written, or all of it once the file ends;
// it returns false to stop the copy there (kStopped unless the count is dealt
// with). Stops at the first failed write; what was written stays.
// REQUIRES: buffer.size() is a positive multiple of 512.
CopyResult CopyFromCard(CardVolume& card, std::int64_t offset, std::int64_t count,
                        TargetFile& target, std::span<std::byte> buffer,
                        const std::function<bool(std::int64_t)>& on_chunk);

}  // namespace kvx
