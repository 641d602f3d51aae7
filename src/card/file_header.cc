#include "card/file_header.h"

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

}  // namespace kvx
