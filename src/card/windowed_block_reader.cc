#include "card/windowed_block_reader.h"

namespace kvx {

WindowedBlockReader::WindowedBlockReader(CardVolume& card, std::size_t block_size,
                                         std::size_t payload)
    : card_(card),
      block_size_(block_size),
      payload_(payload),
      window_(payload + block_size - static_cast<std::size_t>(kSectorSize)),
      block_(block_size) {}

std::span<const std::byte> WindowedBlockReader::BlockAt(std::int64_t offset) {
  const auto block = static_cast<std::int64_t>(block_size_);
  bool in_window = offset >= window_start_;
  if (in_window && offset + block <= window_start_ + window_delivered_) {
    return std::span<const std::byte>(window_).subspan(
        static_cast<std::size_t>(offset - window_start_), block_size_);
  }
  if (in_window && offset < exact_until_) return ReadExactly(offset);

  // A new window from here. Offsets in [offset, offset + payload) are its to answer.
  window_start_ = offset;
  window_delivered_ = static_cast<std::int64_t>(ReadCard(card_, offset, window_));
  ++windows_read_;
  reached_ = offset + window_delivered_;
  bool short_read = window_delivered_ < static_cast<std::int64_t>(window_.size());
  exact_until_ = short_read ? offset + static_cast<std::int64_t>(payload_) : offset;
  if (block <= window_delivered_) return std::span<const std::byte>(window_).first(block_size_);
  return ReadExactly(offset);
}

std::span<const std::byte> WindowedBlockReader::ReadExactly(std::int64_t offset) {
  if (ReadCard(card_, offset, block_) != block_size_) return {};
  return block_;
}

}  // namespace kvx
