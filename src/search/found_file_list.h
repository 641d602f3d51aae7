// The found-file list: the records the searches hand to Retrieve, and the text
// of the List1 line that describes each. Line k of List1 always describes
// record k; nothing else links them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

inline constexpr std::size_t kFoundFileCapacity = 2049;
inline constexpr std::size_t kFileNameWidth = 20;

struct FoundFile {
  std::int64_t SizeByFat = 0;     // the directory's size, or the header's length
  std::int64_t SizeByHeader = 0;  // the header's length, or SizeByFat without one
  std::int64_t StartOffset = 0;   // card offset of the file's first byte
  std::int64_t StartCluster = 0;  // the directory's first cluster (Quick Search only)
  std::string FileName;           // 20 bytes, Windows-1252, padded with blanks
};

using FoundFileList = std::array<FoundFile, kFoundFileCapacity>;

// `name` left-aligned in 20 characters: padded with blanks, or cut.
std::string PaddedFileName(std::string_view name);

// The List1 line of a record: name, " Size: " and the size when both sizes
// agree, otherwise " SizeH: ", the header's and " or SizeF: ", the directory's;
// then " @" and the offset.
std::string ListLine(const FoundFile& file);

}  // namespace kvx
