// The steps Explore and Comb Through share around and inside their walk or scan.
#pragma once

#include <cstdint>
#include <string_view>

#include "controls/controls.h"
#include "platform/platform.h"
#include "search/window_state.h"

namespace kvx {

// Run once the action's own captions are set and the hourglass shows: hides
// the size options and sets SizeMode to kByHeader (the options' selection
// stays), empties Label3, runs the card prologue (FoundCount 0 once the card
// is open) and empties List1, recording the card in ListedCard and the search
// (`kind`, its letter and card report) in ListedBy. Returns false,
// with the default pointer back, when the prologue ended the action.
bool OpenHeaderSearch(WindowState& state, Controls& controls, Platform& platform,
                      ListedSearch::Kind kind);

// Lists the file whose header states `length` at card offset `offset`, named
// `stem` + its index + ".KVX", with that length as both of its sizes.
void ListHeaderFind(WindowState& state, Controls& controls, std::string_view stem,
                    std::int64_t offset, std::int64_t length);

// "No KVX Files found" and Command2 disabled when FoundCount is 0; otherwise
// FoundCount + " KVX File(s) found" and Command2 enabled. Then closes the card
// and restores the default pointer.
void CloseHeaderSearch(WindowState& state, Controls& controls);

}  // namespace kvx
