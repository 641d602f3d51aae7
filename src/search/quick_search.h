// Quick Search (Command1): trusts the card's root directory. Lists every used
// entry, deleted ones included, with the directory's size, the header's size
// where a header stands at the entry's first cluster, and its card offset.
#pragma once

#include "controls/controls.h"
#include "platform/platform.h"
#include "search/window_state.h"

namespace kvx {

void QuickSearch(WindowState& state, Controls& controls, Platform& platform);

}  // namespace kvx
