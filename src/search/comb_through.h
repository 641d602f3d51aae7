// Comb Through (Command5): after a Yes/No confirmation, tests every sector
// boundary from kFirstCombedOffset to the end of the card for a header. Lists
// at most 2048 files, named FOUND0.KVX onward; a header inside a file's body
// is its own file.
#pragma once

#include <cstdint>

#include "controls/controls.h"
#include "platform/platform.h"
#include "search/window_state.h"

namespace kvx {

// One sector past the 1G data region's start, whatever the card's layout.
inline constexpr std::int64_t kFirstCombedOffset = 80896;

void CombThrough(WindowState& state, Controls& controls, Platform& platform);

}  // namespace kvx
