// The 1536-byte header every KVX file begins with: the test that tells one,
// and the file length it states.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "card/card_volume.h"

namespace kvx {

inline constexpr std::size_t kFileHeaderSize = 1536;

// REQUIRES: block.size() >= kFileHeaderSize.
// True when bytes 6..7 are 0x00 0x06 and bytes 1534..1535 are 0x01 0x80.
bool IsFileHeader(std::span<const std::byte> block);

// REQUIRES: block.size() >= kFileHeaderSize.
// True when bytes 1534..1535 are 0x01 0x80: the last two bytes of a header,
// by which the data region is recognised.
bool HasRegionMarker(std::span<const std::byte> block);

// REQUIRES: block.size() >= 12.
// The whole file's length: 1536 plus the unsigned 32-bit field at bytes 8..11.
std::int64_t FileHeaderLength(std::span<const std::byte> block);

// The length the header at card offset `offset` states, or nullopt where one
// read of kFileHeaderSize bytes there comes up short or holds no header.
std::optional<std::int64_t> ReadFileHeaderLength(CardVolume& card, std::int64_t offset);

}  // namespace kvx
