#include "card/file_header.h"

#include <array>

#include "card/little_endian.h"

namespace kvx {

bool HasRegionMarker(std::span<const std::byte> block) {
  return block[1534] == std::byte{0x01} && block[1535] == std::byte{0x80};
}

bool IsFileHeader(std::span<const std::byte> block) {
  return block[6] == std::byte{0x00} && block[7] == std::byte{0x06} && HasRegionMarker(block);
}

std::int64_t FileHeaderLength(std::span<const std::byte> block) {
  return static_cast<std::int64_t>(kFileHeaderSize) + ReadU32(block, 8);
}

std::optional<std::int64_t> ReadFileHeaderLength(CardVolume& card, std::int64_t offset) {
  std::array<std::byte, kFileHeaderSize> block;
  if (ReadCard(card, offset, block) != kFileHeaderSize || !IsFileHeader(block)) return std::nullopt;
  return FileHeaderLength(block);
}

}  // namespace kvx
