// Little-endian numbers on the card, assembled byte by byte and held in 64-bit
// integers, so no field is ever misread by alignment or wraps on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kvx {

// Multi-byte numbers on the card: low byte + BytePairFactor x next byte.
inline constexpr std::int64_t BytePairFactor = 256;

inline std::int64_t ReadU8(std::span<const std::byte> bytes, std::size_t at) {
  return static_cast<std::int64_t>(std::to_integer<std::uint8_t>(bytes[at]));
}

inline std::int64_t ReadU16(std::span<const std::byte> bytes, std::size_t at) {
  return ReadU8(bytes, at) + BytePairFactor * ReadU8(bytes, at + 1);
}

inline std::int64_t ReadU32(std::span<const std::byte> bytes, std::size_t at) {
  return ReadU16(bytes, at) + BytePairFactor * BytePairFactor * ReadU16(bytes, at + 2);
}

}  // namespace kvx
