// The end that Explore and Comb Through share once their walk or scan is over:
// the count in Label3, Command2, the card closed, the default pointer.
#pragma once

#include "controls/controls.h"
#include "search/window_state.h"

namespace kvx {

// "No KVX Files found" and Command2 disabled when FoundCount is 0 or less;
// otherwise FoundCount + " KVX File(s) found" and Command2 enabled. Then
// closes the card and restores the default pointer.
void CloseHeaderSearch(WindowState& state, Controls& controls);

}  // namespace kvx
