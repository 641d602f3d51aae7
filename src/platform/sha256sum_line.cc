#include "platform/sha256sum_line.h"

namespace kvx {

std::string Sha256sumLine(const Sha256Digest& digest, const std::string& name) {
  std::string escaped;
  for (char c : name) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  const std::string mark = escaped.size() == name.size() ? "" : "\\";
  return mark + HexOf(digest) + "  " + escaped + "\n";
}

}  // namespace kvx
