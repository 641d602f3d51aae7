// The open card and the one figure of its boot sector that the searches walk
// by, kept between actions.
//
// Every read of the card goes through ReadCard, which fills the caller's span
// and never leaves stale bytes behind: whatever a short read did not deliver
// reads as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/volume.h"

namespace kvx {

inline constexpr std::int64_t kSectorSize = 512;

struct CardVolume {
  // The card, or nullptr when it is closed or could not be opened.
  std::unique_ptr<Volume> VolumeHandle;
  std::int64_t BytesPerCluster = 0;
  // Why the last ReadCard delivered fewer bytes than asked; OK where the card
  // ended there. Reset whenever a card is opened.
  Status LastRead;
};

// Reads into.size() bytes at `offset` into `into`; returns the count the card
// delivered and sets the rest of `into` to 0. A closed card delivers nothing.
std::size_t ReadCard(CardVolume& card, std::int64_t offset, std::span<std::byte> into);

// Why the card's last ReadCard delivered fewer bytes than asked (OK where the
// card ended there, or none is open).
Status CardReadStatus(const CardVolume& card);

// The open card's length in bytes; -1 when it is closed or the system cannot tell.
std::int64_t CardSize(const CardVolume& card);

}  // namespace kvx
