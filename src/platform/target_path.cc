#include "platform/target_path.h"

namespace kvx {

std::string WithoutTrailingBlanks(std::string path) {
  while (!path.empty() && path.back() == ' ') path.pop_back();
  return path;
}

bool IsWholePath(const std::string& path) { return path.find('\0') == std::string::npos; }

}  // namespace kvx
