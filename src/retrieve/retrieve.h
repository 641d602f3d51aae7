// Retrieve (Command2): copies the file of every selected List1 line, from the
// last line to the first, out of the card the list came from, into a new file
// named Text2 + its FileName (Text2 with a separator added when it names a
// directory without one). Never overwrites a file and never writes outside the
// directory Text2 names.
#pragma once

#include "controls/controls.h"
#include "platform/platform.h"
#include "search/window_state.h"

namespace kvx {

void Retrieve(WindowState& state, Controls& controls, Platform& platform);

}  // namespace kvx
