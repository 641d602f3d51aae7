#include "search/header_search_steps.h"

#include <optional>
#include <string>
#include <utility>

#include "card/card_prologue.h"
#include "search/captions.h"
#include "search/card_steps.h"

namespace kvx {

bool OpenHeaderSearch(WindowState& state, Controls& controls, Platform& platform,
                      ListedSearch::Kind kind) {
  controls.SetSizeOptionsVisible(false);
  state.SizeMode = SizeChoice::kByHeader;
  // The prologue takes the letter and tests it first; Label3 is emptied in between.
  controls.SetCaption(Label::Label3, "");
  std::optional<std::string> report =
      CardPrologue(state.Card, controls, platform, [&] { state.FoundFiles.RestartCount(); });
  if (!report) {
    controls.SetBusyPointer(false);
    return false;
  }
  state.FoundFiles.Clear(controls);
  const std::string letter = DriveLetterFromText(controls.Text1());
  state.ListedCard = platform.LocationOf(letter);
  state.ListedBy = {kind, letter, std::move(*report), ""};
  return true;
}

void ListHeaderFind(WindowState& state, Controls& controls, std::string_view stem,
                    std::int64_t offset, std::int64_t length) {
  FoundFile file;
  file.FileName =
      PaddedFileName(std::string(stem) + std::to_string(state.FoundFiles.FoundCount()) + ".KVX");
  file.StartOffset = offset;
  file.SizeByFat = length;
  file.SizeByHeader = length;
  state.FoundFiles.Add(std::move(file), controls);
}

void CloseHeaderSearch(WindowState& state, Controls& controls) {
  const int found = state.FoundFiles.FoundCount();
  if (found <= 0) {
    controls.SetCaption(Label::Label3, kNoFilesCaption);
    controls.SetRetrieveEnabled(false);
  } else {
    controls.SetCaption(Label::Label3, FilesFoundCaption(found));
    controls.SetRetrieveEnabled(true);
  }
  state.Card.VolumeHandle.reset();
  controls.SetBusyPointer(false);
}

}  // namespace kvx
