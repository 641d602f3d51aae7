// The found-file list: the records the searches hand to Retrieve, each with
// the List1 line that describes it. Records enter only through Add, which
// appends their line too, so line k of List1 describes record k.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "controls/controls.h"

namespace kvx {

inline constexpr std::size_t kFileNameWidth = 20;

struct FoundFile {
  std::int64_t SizeByFat = 0;     // the directory's size, or the header's length
  std::int64_t SizeByHeader = 0;  // the header's length, or SizeByFat without one
  std::int64_t StartOffset = 0;   // card offset of the file's first byte
  std::string FileName;           // 20 bytes, Windows-1252, padded with blanks
};

// `name` left-aligned in 20 characters: padded with blanks, or cut.
std::string PaddedFileName(std::string_view name);

class FoundFileList {
 public:
  static constexpr int kCapacity = 2049;

  // Files listed by the current or last search.
  int FoundCount() const { return count_; }

  // Empties List1 and starts the count again. The records stay until a new
  // find takes their place.
  void Clear(Controls& controls);

  // Starts the count again and leaves List1 as it is: a search whose card
  // cannot be read keeps the lines of the last one, and their records.
  void RestartCount() { count_ = 0; }

  // Stores `file` as record FoundCount(), appends its line to List1 and counts
  // it; false, with nothing stored or shown, once the table is full. The
  // searches stop well before that; the table never trusts them to.
  bool Add(FoundFile file, Controls& controls);

  // The record List1's line `line` describes, or nullptr past the table.
  const FoundFile* Record(int line) const;

 private:
  std::array<FoundFile, kCapacity> records_;
  int count_ = 0;
};

}  // namespace kvx
