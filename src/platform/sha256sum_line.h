// A line in the form sha256sum writes and checks, as the digest files of a
// rescue and of an image hold them: lower-case hex, two blanks, the name. A name
// with a backslash or a line feed is escaped as sha256sum escapes it: the
// line begins with a backslash and the name holds "\\" and "\n" instead.
#pragma once

#include <string>

#include "platform/sha256.h"

namespace kvx {

// One line, with its line feed.
std::string Sha256sumLine(const Sha256Digest& digest, const std::string& name);

}  // namespace kvx
