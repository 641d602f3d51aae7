// Little-endian fields of on-disk tables, assembled byte by byte so no field
// is misread by alignment; 32-bit values are held in 64-bit integers so
// nothing wraps. REQUIRES: the field lies inside `bytes`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kvx {

inline std::int64_t FieldU8(std::span<const std::byte> bytes, std::size_t at) {
  return std::to_integer<std::int64_t>(bytes[at]);
}

inline std::int64_t FieldU16(std::span<const std::byte> bytes, std::size_t at) {
  return FieldU8(bytes, at) + 256 * FieldU8(bytes, at + 1);
}

inline std::int64_t FieldU32(std::span<const std::byte> bytes, std::size_t at) {
  return FieldU16(bytes, at) + 65536 * FieldU16(bytes, at + 2);
}

inline std::uint64_t FieldU64(std::span<const std::byte> bytes, std::size_t at) {
  return static_cast<std::uint64_t>(FieldU32(bytes, at)) |
         static_cast<std::uint64_t>(FieldU32(bytes, at + 4)) << 32;
}

}  // namespace kvx
