// Bytes as text and text as bytes, a card's worth of patterned bytes, the
// SHA-256 of bytes in hex, and a file's whole content written or read: what
// the tests that write files and read them back share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/sha256.h"

namespace kvx::testing {

inline std::string TextOf(std::span<const std::byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

inline std::vector<std::byte> BytesOf(std::string_view text) {
  const auto bytes = std::as_bytes(std::span(text));
  return {bytes.begin(), bytes.end()};
}

// Card bytes that differ from sector to sector.
inline std::vector<std::byte> PatternBytes(std::int64_t length) {
  std::vector<std::byte> bytes(static_cast<std::size_t>(length));
  for (std::int64_t i = 0; i < length; ++i) bytes[i] = std::byte((i * 31 + (i >> 9) * 7) & 0xFF);
  return bytes;
}

inline std::string HexSha256(std::span<const std::byte> bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return HexOf(hash.Finish());
}

// Makes `path` hold `text` and nothing else, and its directories first.
inline void WriteFile(const std::filesystem::path& path, std::string_view text) {
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream(path, std::ios::binary).write(text.data(), std::ssize(text));
}

inline std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace kvx::testing
