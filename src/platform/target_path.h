// Spelling of target paths shared by every platform.
#pragma once

#include <string>

namespace kvx {

// `path` without the blanks that end its last component: the name field of a
// found file is padded with blanks, and the file is created without them.
std::string WithoutTrailingBlanks(std::string path);

// False for a path with a NUL in it: the system would take only the part
// before the NUL, a different file from the one the user named.
bool IsWholePath(const std::string& path);

}  // namespace kvx
