// Everything that outlives one click: the open card, the found-file list and
// the choices the actions share. Owned by a front end and handed to each
// action; a fresh one is the state of a window just loaded.
#pragma once

#include <optional>
#include <string>

#include "card/card_volume.h"
#include "platform/volume_location.h"
#include "search/found_file_list.h"
#include "search/size_choice.h"

namespace kvx {

// What the search that filled List1 found of its card, for the record
// Retrieve keeps of a rescue.
struct ListedSearch {
  enum Kind { kNone, kQuickSearch, kExplore, kCombThrough };
  Kind kind = kNone;
  std::string letter;       // the drive letter it read
  std::string card_report;  // the card report it wrote into Label2
  std::string layout;       // "1G" or "2G" as it found the card; empty when it found none
};

struct WindowState {
  CardVolume Card;
  FoundFileList FoundFiles;
  SizeChoice SizeMode = SizeChoice::kByHeader;  // the size Retrieve copies
  bool SizesDiffer = false;  // a line of this Quick Search showed two sizes
  // The card whose files List1 shows, recorded by the search that filled it;
  // Retrieve reads this card, whatever Text1 holds by then.
  std::optional<VolumeLocation> ListedCard;
  ListedSearch ListedBy;
};

}  // namespace kvx
