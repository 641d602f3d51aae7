#include "ui/form/target_directory.h"

#include <cstddef>

namespace kvx {

namespace {

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  for (char byte : text) count += IsContinuationByte(byte) ? 0 : 1;
  return count;
}

}  // namespace

std::string DirectoryOfChosenFile(const std::string& file_name, const std::string& file_title) {
  std::size_t cut = CharacterCount(file_title.empty() ? kOfferedFileName : file_title);
  std::size_t end = file_name.size();
  while (cut > 0 && end > 0) {
    --end;
    if (!IsContinuationByte(file_name[end])) --cut;
  }
  return file_name.substr(0, end);
}

}  // namespace kvx
