// Spelling of target paths shared by every platform.
#pragma once

#include <string>

namespace kvx {

// `path` without the blanks that end its last component: the name field of a
// found file is padded with blanks, and the file is created without them.
std::string WithoutTrailingBlanks(std::string path);

}  // namespace kvx
