#include "platform/crc32.h"

#include <array>

namespace kvx {

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320;

// The CRC of each byte value, so a byte costs one lookup instead of eight shifts.
constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < table.size(); ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? kPolynomial ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

}  // namespace

std::uint32_t Crc32(std::span<const std::byte> bytes, std::uint32_t crc) {
  crc = ~crc;
  for (std::byte b : bytes)
    crc = kTable[(crc ^ std::to_integer<std::uint32_t>(b)) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace kvx
