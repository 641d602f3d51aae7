#include "search/header_search_steps.h"

#include <string>

#include "card/card_prologue.h"

namespace kvx {

bool OpenHeaderSearch(WindowState& state, Controls& controls, Platform& platform) {
  controls.SetSizeOptionsVisible(false);
  state.SizeMode = 0;
  // The prologue takes the letter and tests it first; Label3 is emptied in between.
  controls.SetCaption(Label::Label3, "");
  if (!CardPrologue(state.card, controls, platform, [&] { state.FoundCount = 0; })) {
    controls.SetBusyPointer(false);
    return false;
  }
  controls.ClearList();
  state.ListedCard = platform.LocationOf(DriveLetterFromText(controls.Text1()));
  return true;
}

void CloseHeaderSearch(WindowState& state, Controls& controls) {
  if (state.FoundCount <= 0) {
    controls.SetCaption(Label::Label3, "No KVX Files found");
    controls.SetRetrieveEnabled(false);
  } else {
    controls.SetCaption(Label::Label3, std::to_string(state.FoundCount) + " KVX File(s) found");
    controls.SetRetrieveEnabled(true);
  }
  state.card.VolumeHandle.reset();
  controls.SetBusyPointer(false);
}

}  // namespace kvx
