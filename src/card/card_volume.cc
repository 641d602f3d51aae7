#include "card/card_volume.h"

#include <algorithm>

namespace kvx {

std::size_t ReadCard(CardVolume& card, std::int64_t offset, std::span<std::byte> into) {
  std::size_t delivered = card.VolumeHandle ? card.VolumeHandle->Read(offset, into) : 0;
  delivered = std::min(delivered, into.size());
  std::fill(into.begin() + static_cast<std::ptrdiff_t>(delivered), into.end(), std::byte{0});
  return delivered;
}

Status CardReadStatus(const CardVolume& card) {
  return card.VolumeHandle ? card.VolumeHandle->ReadStatus() : Status();
}

std::int64_t CardSize(const CardVolume& card) {
  return card.VolumeHandle ? card.VolumeHandle->Size() : -1;
}

}  // namespace kvx
