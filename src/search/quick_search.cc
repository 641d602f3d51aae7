#include "search/quick_search.h"

#include <span>

#include "card/card_layout.h"
#include "card/card_prologue.h"
#include "card/file_header.h"
#include "card/little_endian.h"

namespace kvx {

namespace {

constexpr std::size_t kEntrySize = 32;
constexpr std::size_t kFirstListedSlotAt = 64;  // slot 0 and the marker slot are never listed
// On the 1G layout a size of 0 stands for "unknown" and is copied as this.
constexpr std::int64_t kUnknownSize1G = 1879048191;

std::string EntryFileName(std::span<const std::byte> entry) {
  const char* bytes = reinterpret_cast<const char*>(entry.data());
  return PaddedFileName("D" + std::string(bytes + 1, 7) + "." + std::string(bytes + 8, 3));
}

// Fills `file` from one directory entry; reads the header at its first cluster.
void FillFromEntry(CardVolume& card, std::span<const std::byte> entry, const CardLayout& layout,
                   FoundFile& file) {
  bool is_1g = &layout == &kLayout1G;
  file.FileName = EntryFileName(entry);
  file.StartCluster = ReadU8(entry, 26) + BytePairFactor * ReadU8(entry, 27);
  file.StartOffset = (file.StartCluster - 2) * card.BytesPerCluster + layout.DataRegionOffset;
  file.SizeByFat = ReadU32(entry, 28);
  if (is_1g && file.SizeByFat <= 0) file.SizeByFat = kUnknownSize1G;

  // A header read that comes up short is no header.
  std::span<std::byte> header(card.HeaderBuffer.data(), kFileHeaderSize);
  bool has_header =
      ReadCard(card, file.StartOffset, header) == kFileHeaderSize && IsFileHeader(header);
  // SizeByFat is already above 0 on 1G, and a header's length always is.
  file.SizeByHeader = has_header ? FileHeaderLength(header) : file.SizeByFat;
}

}  // namespace

void QuickSearch(WindowState& state, Controls& controls, Platform& platform) {
  CardVolume& card = state.card;
  state.SizesDiffer = false;
  if (!CardPrologue(card, controls, platform, [&] { controls.SetRetrieveEnabled(false); })) return;
  controls.ClearList();
  state.ListedCard = platform.LocationOf(DriveLetterFromText(controls.Text1()));

  RegionProbe entries = FindEntryRegion(card, controls);
  if (entries == RegionProbe::NotFound) return;
  if (entries != RegionProbe::TroubleReading) {
    const CardLayout& layout = LayoutOf(entries);
    std::span<const std::byte> block(card.SectorBuffer.data(), kEntryBlockSize);
    // The 1G layout lists every second slot only.
    std::size_t stride = entries == RegionProbe::Layout1G ? 2 * kEntrySize : kEntrySize;
    state.FoundCount = 0;
    for (std::size_t at = kFirstListedSlotAt; at < kEntryBlockSize && block[at] != std::byte{0};
         at += stride) {
      FoundFile& file = state.found_files[static_cast<std::size_t>(state.FoundCount)];
      FillFromEntry(card, block.subspan(at, kEntrySize), layout, file);
      ++state.FoundCount;
      controls.AppendLine(ListLine(file));
      if (file.SizeByHeader != file.SizeByFat) state.SizesDiffer = true;
      controls.SetSizeOptionsVisible(state.SizesDiffer);
    }
    if (state.FoundCount != 0) {
      controls.SetCaption(Label::Label1, std::to_string(state.FoundCount) + " KVX File Entries (" +
                                             layout.Name + ") found");
      controls.SetRetrieveEnabled(true);
    } else {
      controls.SetCaption(Label::Label1, "No KVX File Entry");
    }
  }

  RegionProbe data = FindDataRegion(card, controls);
  if (data == RegionProbe::Layout1G || data == RegionProbe::Layout2G) card.VolumeHandle.reset();
}

}  // namespace kvx
