// Everything that outlives one click: the open card, the found-file list and
// the choices the actions share. Owned by a front end and handed to each
// action; a fresh one is the state of a window just loaded.
#pragma once

#include <optional>

#include "card/card_volume.h"
#include "platform/volume_location.h"
#include "search/found_file_list.h"
#include "search/size_choice.h"

namespace kvx {

struct WindowState {
  CardVolume Card;
  FoundFileList FoundFiles;
  SizeChoice SizeMode = SizeChoice::kByHeader;  // the size Retrieve copies
  bool SizesDiffer = false;  // a line of this Quick Search showed two sizes
  // The card whose files List1 shows, recorded by the search that filled it;
  // Retrieve reads this card, whatever Text1 holds by then.
  std::optional<VolumeLocation> ListedCard;
};

}  // namespace kvx
