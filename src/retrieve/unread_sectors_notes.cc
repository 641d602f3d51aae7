#include "retrieve/unread_sectors_notes.h"

#include <algorithm>
#include <optional>

#include "imaging/card_imager.h"
#include "imaging/rescue_map.h"
#include "search/captions.h"

namespace kvx {

namespace {

// Far above any map the imager writes (a few lines per unreadable stretch);
// what is larger is no map of ours and is not read into memory.
constexpr std::int64_t kMapSizeCap = std::int64_t{16} << 20;

}  // namespace

std::string UnreadSectorsNotes(Platform& platform, const VolumeLocation& location,
                               const Volume& card, std::vector<CopiedRange>& copied) {
  if (copied.empty()) return {};
  const std::string map_path = MapPathOf(location.path);
  std::optional<std::string> text = platform.ReadSmallFile(map_path, kMapSizeCap);
  if (!text) return {};
  std::optional<RescueMap> map = ParseRescueMap(*text).map;
  if (!map) return MapUnreadableNote(map_path);

  // The copy reads nothing past the card's end, so neither does the note.
  const std::int64_t card_size = card.Size();
  const std::int64_t start_in_image = card.StartInWhole();
  std::string notes;
  for (CopiedRange& file : copied) {
    std::int64_t size = file.size;
    if (card_size >= 0) size = std::min(size, card_size - file.start);
    if (file.start < 0 || size <= 0) continue;
    std::int64_t unread = 0;
    for (const ByteRange& range : map->UnreadRanges(start_in_image + file.start, size)) {
      unread += range.size;
    }
    file.unread = unread;
    if (unread > 0) notes += UnreadSectorsNote(file.name, unread, map_path);
  }
  return notes;
}

}  // namespace kvx
