// The open card and what its boot sector says, kept between actions.
//
// Every read of the card goes through ReadCard, which never leaves stale
// bytes behind: whatever a short read did not deliver reads as 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/volume.h"

namespace kvx {

// Multi-byte numbers on the card: low byte + BytePairFactor x next byte.
inline constexpr std::int64_t BytePairFactor = 256;
inline constexpr std::string_view LineBreak = "\r\n";
inline constexpr std::string_view DoubleLineBreak = "\r\n\r\n";

inline constexpr std::int64_t kSectorSize = 512;
inline constexpr std::size_t kCardBufferSize = 16385;

struct CardVolume {
  // The card, or nullptr when it is closed or could not be opened.
  std::unique_ptr<Volume> VolumeHandle;
  int CardGeneration = 0;
  std::int64_t SectorsPerCluster = 0;
  std::int64_t BytesPerCluster = 0;
  std::int64_t FatCount = 0;
  std::int64_t RootEntryCount = 0;
  std::int64_t SectorsPerFat = 0;
  std::array<std::byte, kCardBufferSize> SectorBuffer{};
  std::array<std::byte, kCardBufferSize> HeaderBuffer{};
};

// Reads into.size() bytes at `offset` into `into`; returns the count the card
// delivered and sets the rest of `into` to 0. A closed card delivers nothing.
std::size_t ReadCard(CardVolume& card, std::int64_t offset, std::span<std::byte> into);

// The open card's length in bytes; -1 when it is closed or the system cannot tell.
std::int64_t CardSize(const CardVolume& card);

}  // namespace kvx
