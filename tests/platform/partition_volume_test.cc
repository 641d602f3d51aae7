// Cards with a partition table in sector 0: which volume a location names, and
// that a partition's reads never pass its end. (Every action on a partitioned
// card made by the real tools: tests/e2e/partitioned_cards.sh.)
#include "platform/partition_volume.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Bytes = std::vector<std::byte>;
constexpr std::int64_t kSector = 512;

struct Entry {
  int status = 0x00;
  int type = 0;
  std::uint32_t first_sector = 0;
  std::uint32_t sector_count = 0;
};

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = std::byte((value >> (8 * i)) & 0xFF);
}

// Sector 0 of a partitioned disk: the four entries and 0x55AA, code zeroed.
Bytes Mbr(const std::vector<Entry>& entries) {
  Bytes sector(kSector);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::size_t at = 446 + 16 * i;
    sector[at] = std::byte(entries[i].status);
    sector[at + 4] = std::byte(entries[i].type);
    PutU32(sector, at + 8, entries[i].first_sector);
    PutU32(sector, at + 12, entries[i].sector_count);
  }
  sector[510] = std::byte{0x55};
  sector[511] = std::byte{0xAA};
  return sector;
}

// A FAT16 boot sector as mkfs.fat writes one, with a table area that would
// decode as a FAT partition if it were read as one.
Bytes FatBootSector() {
  Bytes sector = Mbr({{0x00, 0x06, 2, 4}});
  sector[0] = std::byte{0xEB};
  sector[11] = std::byte{0x00};
  sector[12] = std::byte{0x02};  // 512 bytes per sector
  sector[13] = std::byte{64};
  sector[16] = std::byte{2};
  return sector;
}

// A disk of 64 sectors, each filled with its number, and `sector0` on top.
constexpr std::int64_t kDiskSectors = 64;
Bytes Disk(const Bytes& sector0) {
  Bytes disk(kDiskSectors * kSector);
  for (std::int64_t i = 0; i < kDiskSectors; ++i) {
    std::fill_n(disk.begin() + i * kSector, kSector, std::byte(i));
  }
  std::copy(sector0.begin(), sector0.end(), disk.begin());
  return disk;
}

struct SelectCase {
  const char* name;
  std::function<Bytes()> sector0;
  int number;                 // the location's partition
  std::int64_t first_sector;  // of the volume chosen; -1: none
  std::int64_t sector_count;
};

void PrintTo(const SelectCase& c, std::ostream* os) { *os << c.name; }

class SelectPartitionTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectPartitionTest, OpensTheVolumeTheLocationNames) {
  const SelectCase& c = GetParam();
  MemoryPlatform platform;
  platform.Insert("E", Disk(c.sector0()));
  std::unique_ptr<Volume> volume = SelectPartition(platform.OpenVolume("E"), c.number);
  if (c.first_sector < 0) {
    EXPECT_EQ(volume, nullptr);
    return;
  }
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(volume->Size(), c.sector_count * kSector);
  Bytes first(kSector);
  ASSERT_EQ(volume->Read(0, first), first.size());
  Bytes expected = Disk(c.sector0());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), expected.begin() + c.first_sector * kSector));
}

Bytes LinuxThenFat16() { return Mbr({{0x80, 0x83, 2, 4}, {0x00, 0x06, 8, 16}}); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SelectPartitionTest, ::testing::Values(
    SelectCase{"ABareFatVolumeIsItself", FatBootSector, 0, 0, kDiskSectors},
    SelectCase{"TheInstrumentsCardIsItself",
               [] { return Bytes(CardImage(CardImage::Layout::kG1, kSector).bytes()); },
               0, 0, kDiskSectors},
    SelectCase{"ATableGivesItsFirstFatPartition", LinuxThenFat16, 0, 8, 16},
    SelectCase{"EveryFatId", [] { return Mbr({{0, 0x83, 2, 1}, {0, 0x0C, 3, 2}}); }, 0, 3, 2},
    SelectCase{"ATableWithoutFatIsTheWholeDisk", [] { return Mbr({{0, 0x83, 2, 4}}); },
               0, 0, kDiskSectors},
    SelectCase{"NoSignatureIsNoTable",
               [] { Bytes s = LinuxThenFat16(); s[511] = std::byte{0}; return s; },
               0, 0, kDiskSectors},
    SelectCase{"AStatusNoToolWritesIsNoTable",
               [] { return Mbr({{0x12, 0x06, 8, 16}}); }, 0, 0, kDiskSectors},
    SelectCase{"AnEntryOnSectorZeroIsNoTable",
               [] { return Mbr({{0x00, 0x06, 0, 16}}); }, 0, 0, kDiskSectors},
    SelectCase{"PartitionOneWhateverItsType", LinuxThenFat16, 1, 2, 4},
    SelectCase{"PartitionTwo", LinuxThenFat16, 2, 8, 16},
    SelectCase{"AnUnusedEntryNamesNothing", LinuxThenFat16, 3, -1, 0},
    SelectCase{"APartitionNumberPastTheTable", LinuxThenFat16, 5, -1, 0},
    SelectCase{"ANumberedPartitionOfABareVolumeIsNothing", FatBootSector, 1, -1, 0},
    // Past the disk's end, the partition holds what the disk still has.
    SelectCase{"APartitionCutShortByTheDisk", [] { return Mbr({{0, 0x06, 60, 16}}); }, 0, 60, 4}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(SelectPartitionTest, AnUnreadableSectorZeroLeavesTheVolumeToReportIt) {
  MemoryPlatform platform;
  platform.Insert("E", Disk(LinuxThenFat16())).fault = {0, kSector};
  std::unique_ptr<Volume> whole = SelectPartition(platform.OpenVolume("E"), 0);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->Size(), kDiskSectors * kSector);
  EXPECT_EQ(SelectPartition(platform.OpenVolume("E"), 2), nullptr);
}

struct BoundCase {
  std::int64_t offset;
  std::int64_t length;
  std::size_t delivered;
};

class PartitionBoundTest : public ::testing::TestWithParam<BoundCase> {};

// Partition 2 (sectors 8 to 23) of a disk whose sectors go on past it.
TEST_P(PartitionBoundTest, DeliversOnlyThePartitionsBytes) {
  const BoundCase& c = GetParam();
  MemoryPlatform platform;
  Card& disk = platform.Insert("E", Disk(LinuxThenFat16()));
  std::unique_ptr<Volume> partition = SelectPartition(platform.OpenVolume("E"), 2);
  ASSERT_NE(partition, nullptr);
  Bytes buffer(static_cast<std::size_t>(c.length));
  ASSERT_EQ(partition->Read(c.offset, buffer), c.delivered);
  Bytes expected = Disk(LinuxThenFat16());
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(c.delivered),
                         expected.begin() + 8 * kSector + std::max<std::int64_t>(c.offset, 0)));
  for (auto [offset, size] : disk.reads) {
    EXPECT_LE(offset + static_cast<std::int64_t>(size), 24 * kSector) << offset;
  }
}

INSTANTIATE_TEST_SUITE_P(Reads, PartitionBoundTest,
                         ::testing::Values(BoundCase{0, 16 * kSector, 16 * kSector},
                                           BoundCase{0, 20 * kSector, 16 * kSector},
                                           BoundCase{16 * kSector - 100, 1000, 100},
                                           BoundCase{16 * kSector, 512, 0},
                                           BoundCase{40 * kSector, 512, 0}, BoundCase{-1, 512, 0}));

}  // namespace
}  // namespace kvx::testing
