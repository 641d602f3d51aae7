// Everything that outlives one click: the open card, the found-file list and
// the numbers the actions share. Owned by a front end and handed to each action;
// a fresh one is the state of a window just loaded.
#pragma once

#include <cstdint>
#include <optional>

#include "card/card_volume.h"
#include "platform/volume_location.h"
#include "search/found_file_list.h"

namespace kvx {

struct WindowState {
  CardVolume card;
  FoundFileList found_files;
  int FoundCount = 0;            // files listed by the current or last search
  std::int64_t ScanOffset = 0;   // where a walk or a scan stands on the card
  int SizeMode = 0;              // 0 copies SizeByHeader, 1 copies SizeByFat
  bool SizesDiffer = false;      // a line of this Quick Search showed two sizes
  // The card whose files List1 shows, recorded by the search that filled it;
  // Retrieve reads this card, whatever Text1 holds by then.
  std::optional<VolumeLocation> ListedCard;
};

}  // namespace kvx
