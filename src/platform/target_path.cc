#include "platform/target_path.h"

namespace kvx {

std::string WithoutTrailingBlanks(std::string path) {
  while (!path.empty() && path.back() == ' ') path.pop_back();
  return path;
}

}  // namespace kvx
