#include "ui/target_directory.h"

namespace kvx {

QString DirectoryOfChosenFile(const QString& file_name, const QString& file_title) {
  qsizetype cut_length = file_title.isEmpty() ? kOfferedFileName.size() : file_title.size();
  return file_name.left(std::max<qsizetype>(0, file_name.size() - cut_length));
}

}  // namespace kvx
