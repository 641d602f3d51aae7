#include "search/found_file_list.h"

#include "search/captions.h"

namespace kvx {

std::string PaddedFileName(std::string_view name) {
  std::string padded(name.substr(0, kFileNameWidth));
  padded.resize(kFileNameWidth, ' ');
  return padded;
}

void FoundFileList::Clear(Controls& controls) {
  controls.ClearList();
  count_ = 0;
}

bool FoundFileList::Add(FoundFile file, Controls& controls) {
  if (count_ < 0 || count_ >= kCapacity) return false;
  FoundFile& record = records_[static_cast<std::size_t>(count_)];
  record = std::move(file);
  controls.AppendLine(ListLine(record));
  ++count_;
  return true;
}

const FoundFile* FoundFileList::Record(int line) const {
  if (line < 0 || line >= kCapacity) return nullptr;
  return &records_[static_cast<std::size_t>(line)];
}

}  // namespace kvx
