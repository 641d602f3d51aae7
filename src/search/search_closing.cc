#include "search/search_closing.h"

#include <string>

namespace kvx {

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
