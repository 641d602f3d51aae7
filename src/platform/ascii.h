// ASCII letters as drive letters are spelt: case-insensitive, and nothing
// outside A-Z counts as one.
#pragma once

namespace kvx {

inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace kvx
