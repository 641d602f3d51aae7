// The headless window's end state, readable by a person: the three labels, the
// list lines with their numbers, the message boxes and the button states.
#pragma once

#include <string>

#include "controls/memory_controls.h"

namespace kvx {

std::string TextReport(const MemoryControls& controls);

}  // namespace kvx
