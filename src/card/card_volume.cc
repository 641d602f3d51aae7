#include "card/card_volume.h"

#include <algorithm>

namespace kvx {

std::size_t ReadCard(CardVolume& card, std::int64_t offset, std::span<std::byte> into) {
  ReadResult read;
  if (card.VolumeHandle) read = card.VolumeHandle->Read(offset, into);
  card.LastRead = read.status;
  const std::size_t delivered = std::min(read.delivered, into.size());
  std::fill(into.begin() + static_cast<std::ptrdiff_t>(delivered), into.end(), std::byte{0});
  return delivered;
}

Status CardReadStatus(const CardVolume& card) {
  return card.VolumeHandle ? card.LastRead : Status();
}

std::int64_t CardSize(const CardVolume& card) {
  return card.VolumeHandle ? card.VolumeHandle->Size() : -1;
}

}  // namespace kvx
