// One partition of a disk or whole-card image, read as a volume of its own, so
// a card with a partition table reads as Windows mounts it: the partition's
// first byte is offset 0 and its end is the volume's end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/partition_list.h"
#include "platform/volume.h"

namespace kvx {

class PartitionVolume final : public Volume {
 public:
  PartitionVolume(std::unique_ptr<Volume> whole, const DiskPartition& partition);

  // Never reads outside the partition: a read that reaches its end delivers
  // only the bytes before it.
  ReadResult Read(std::int64_t offset, std::span<std::byte> buffer) override;

  // The partition's length, or less where the disk ends before it.
  std::int64_t Size() const override;
  std::int64_t StartInWhole() const override { return first_byte_ + whole_->StartInWhole(); }

 private:
  std::unique_ptr<Volume> whole_;
  std::int64_t first_byte_;
  std::int64_t length_;
};

// The volume that partition `number` of `whole` stands for. For 0: the first
// FAT partition in number order (a FAT system id, or a GUID table's basic data
// partition that starts with a FAT boot sector) where sector 0 holds a
// partition table, else `whole` itself (also when sector 0 cannot be read, so
// the caller reports that). For 1 and up: that partition, or nullptr with
// `why_none` saying what is missing ("no partition 3", a damaged table).
std::unique_ptr<Volume> SelectPartition(std::unique_ptr<Volume> whole, int number,
                                        std::string& why_none);

}  // namespace kvx
