// CRC-32 with the IEEE polynomial, reflected (0xEDB88320), as zlib computes
// it: the check a GUID partition table carries on its header and entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kvx {

// The CRC-32 of `bytes`; passing the CRC of the bytes before them as `crc`
// continues it, so Crc32(b, Crc32(a)) is the CRC of a followed by b.
std::uint32_t Crc32(std::span<const std::byte> bytes, std::uint32_t crc = 0);

}  // namespace kvx
