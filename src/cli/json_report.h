// The headless window's end state as one JSON object:
// {"label1", "label2", "label3", "lines", "messages": [{"title", "text"}],
//  "retrieveEnabled", "sizeOptionsVisible", "diagnostics": [outcome lines]}.
// Texts are exact; NUL and other
// control characters are escaped, never cut, and bytes that are not valid
// UTF-8 become U+FFFD, so the output always parses.
#pragma once

#include <string>

#include "controls/memory_controls.h"

namespace kvx {

std::string JsonReport(const MemoryControls& controls);

}  // namespace kvx
