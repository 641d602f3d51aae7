#include "platform/sha256.h"

namespace kvx {

std::string HexOf(const Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(digest.size() * 2);
  for (std::byte b : digest) {
    hex += kDigits[std::to_integer<unsigned>(b) >> 4];
    hex += kDigits[std::to_integer<unsigned>(b) & 0xF];
  }
  return hex;
}

}  // namespace kvx
