#include "platform/partition_volume.h"

#include <algorithm>
#include <array>

namespace kvx {

namespace {

constexpr std::int64_t kSectorLength = 512;

}  // namespace

PartitionVolume::PartitionVolume(std::unique_ptr<Volume> whole, const PartitionEntry& partition)
    : whole_(std::move(whole)),
      first_byte_(partition.first_sector * kSectorLength),
      length_(partition.sector_count * kSectorLength) {}

std::size_t PartitionVolume::Read(std::int64_t offset, std::span<std::byte> buffer) {
  if (offset < 0 || offset >= length_) return 0;
  auto inside = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), length_ - offset));
  return whole_->Read(first_byte_ + offset, buffer.first(inside));
}

std::int64_t PartitionVolume::Size() const {
  std::int64_t whole_size = whole_->Size();
  if (whole_size < 0) return length_;
  return std::clamp<std::int64_t>(whole_size - first_byte_, 0, length_);
}

std::unique_ptr<Volume> SelectPartition(std::unique_ptr<Volume> whole, int number) {
  if (whole == nullptr) return nullptr;
  std::array<std::byte, kSectorLength> sector{};
  bool read = whole->Read(0, sector) == sector.size();
  std::optional<PartitionTable> table =
      read ? ReadPartitionTable(sector) : std::optional<PartitionTable>();
  std::optional<PartitionEntry> partition =
      table ? ChoosePartition(*table, number) : std::optional<PartitionEntry>();
  if (partition) return std::make_unique<PartitionVolume>(std::move(whole), *partition);
  if (number == 0) return whole;
  return nullptr;
}

}  // namespace kvx
