// The digest manifest of a rescue, in the form sha256sum writes and checks:
// one line per file, lower-case hex, two blanks, the file's name. A name
// with a backslash or a line feed is escaped as sha256sum escapes it: the
// line begins with a backslash and the name holds "\\" and "\n" instead.
#pragma once

#include <string>

#include "platform/sha256.h"

namespace kvx {

// One line of the manifest, with its line feed.
std::string ManifestLine(const Sha256Digest& digest, const std::string& name);

}  // namespace kvx
