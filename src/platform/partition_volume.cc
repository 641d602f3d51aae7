#include "platform/partition_volume.h"

#include <algorithm>
#include <array>

#include "platform/partition_table.h"

namespace kvx {

namespace {

constexpr std::int64_t kSectorLength = 512;

// A basic data partition may hold any file system; only its boot sector tells.
bool IsFatPartition(Volume& whole, const DiskPartition& partition) {
  if (partition.kind == PartitionKind::kFat) return true;
  if (partition.kind != PartitionKind::kBasicData) return false;
  std::array<std::byte, kSectorLength> sector{};
  return whole.Read(partition.first_sector * kSectorLength, sector).delivered == sector.size() &&
         IsFatBootSector(sector);
}

}  // namespace

PartitionVolume::PartitionVolume(std::unique_ptr<Volume> whole, const DiskPartition& partition)
    : whole_(std::move(whole)),
      first_byte_(partition.first_sector * kSectorLength),
      length_(partition.sector_count * kSectorLength) {}

ReadResult PartitionVolume::Read(std::int64_t offset, std::span<std::byte> buffer) {
  if (offset < 0 || offset >= length_) return {};
  auto inside = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), length_ - offset));
  return whole_->Read(first_byte_ + offset, buffer.first(inside));
}

std::int64_t PartitionVolume::Size() const {
  std::int64_t whole_size = whole_->Size();
  if (whole_size < 0) return length_;
  return std::clamp<std::int64_t>(whole_size - first_byte_, 0, length_);
}

std::unique_ptr<Volume> SelectPartition(std::unique_ptr<Volume> whole, int number,
                                        std::string& why_none) {
  if (whole == nullptr) return nullptr;
  std::optional<PartitionList> list = ReadDiskPartitions(*whole);
  if (!list) {
    if (number == 0) return whole;
    why_none = "no partition table";
    return nullptr;
  }
  for (const DiskPartition& partition : list->partitions) {
    if (number == 0 ? IsFatPartition(*whole, partition) : partition.number == number) {
      return std::make_unique<PartitionVolume>(std::move(whole), partition);
    }
  }
  if (number == 0) return whole;
  why_none = list->damage.empty() ? "no partition " + std::to_string(number) : list->damage;
  return nullptr;
}

}  // namespace kvx
