// Explore (Command3): ignores the directory and walks the data region from
// header to header, cluster by cluster, starting at its second cluster. Lists
// at most 512 files, named RECOVER0.KVX onward.
#pragma once

#include "controls/controls.h"
#include "platform/platform.h"
#include "search/window_state.h"

namespace kvx {

void Explore(WindowState& state, Controls& controls, Platform& platform);

}  // namespace kvx
