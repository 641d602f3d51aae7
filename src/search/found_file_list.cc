#include "search/found_file_list.h"

#include "card/code_page.h"

namespace kvx {

std::string PaddedFileName(std::string_view name) {
  std::string padded(name.substr(0, kFileNameWidth));
  padded.resize(kFileNameWidth, ' ');
  return padded;
}

std::string ListLine(const FoundFile& file) {
  std::string line = Windows1252ToUtf8(file.FileName);
  if (file.SizeByHeader == file.SizeByFat) {
    line += " Size: " + std::to_string(file.SizeByFat);
  } else {
    line += " SizeH: " + std::to_string(file.SizeByHeader) +
            " or SizeF: " + std::to_string(file.SizeByFat);
  }
  return line + " @" + std::to_string(file.StartOffset);
}

}  // namespace kvx
