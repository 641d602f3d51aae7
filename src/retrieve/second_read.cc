#include "retrieve/second_read.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "retrieve/card_copy.h"

namespace kvx {

SecondReadResult ReadSecondTime(CardVolume& card, std::int64_t offset, std::int64_t length,
                                Volume& file, std::span<std::byte> card_buffer,
                                std::span<std::byte> file_buffer,
                                const std::function<bool(std::int64_t)>& on_chunk) {
  std::int64_t read_back = 0;
  bool file_short = false;
  std::optional<std::int64_t> differs_at;
  // The next `count` bytes of the file; sets file_short when it gave fewer.
  auto read_file = [&](std::size_t count) {
    std::span<std::byte> into = file_buffer.first(std::min(count, file_buffer.size()));
    std::size_t got = file.Read(read_back, into).delivered;
    read_back += static_cast<std::int64_t>(got);
    file_short = got < into.size();
    return into.first(got);
  };

  const std::span<std::byte> one_buffer[] = {card_buffer};
  BufferRing card_buffers{one_buffer};
  const bool whole = ReadAsSectorCopy(card, offset, length, card_buffers,
                   [&](std::span<const std::byte> bytes, std::int64_t dealt_with) {
                     while (!bytes.empty() && !file_short) {
                       const std::int64_t at = read_back;
                       std::span<const std::byte> theirs = read_file(bytes.size());
                       // memcmp first: it runs far faster than a search for the byte.
                       if (!differs_at && std::memcmp(theirs.data(), bytes.data(), theirs.size())) {
                         auto [mine, _] = std::mismatch(theirs.begin(), theirs.end(), bytes.begin());
                         differs_at = at + (mine - theirs.begin());
                       }
                       bytes = bytes.subspan(theirs.size());
                     }
                     return !file_short && on_chunk(dealt_with);
                   });
  const bool stopped = !whole && !file_short;
  // Where the card gave out early, the rest of the file must still read back.
  const std::int64_t card_gave = read_back;
  while (!file_short && !stopped && read_back < length) {
    read_file(static_cast<std::size_t>(length - read_back));
  }

  SecondReadResult result;
  if (file_short) {
    result.outcome = SecondRead::kFileUnreadable;
    result.at = read_back;
    return result;
  }
  if (differs_at) {
    result.outcome = SecondRead::kDiffers;
    result.at = *differs_at;
  } else if (stopped) {
    result.outcome = SecondRead::kStopped;
  } else if (card_gave < length) {
    result.outcome = SecondRead::kCardFailed;
    result.at = card_gave;
    result.card_status = CardReadStatus(card);
  }
  return result;
}

}  // namespace kvx
