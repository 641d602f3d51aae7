// Cards with a partition table in sector 0 (an MBR with primary and logical
// partitions, or a GUID table): which volume a location names, that damaged
// or hostile tables never hang and are refused with a reason, and that a
// partition's reads never pass its end. (The partitions a location names on
// cards made by the real tools, each table's default among them:
// tests/e2e/partitioned_cards.sh.) First, how "--drive" gives a letter its
// location: a path and, after the last "@", a partition.
#include "platform/partition_volume.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/crc32.h"
#include "platform/drive_map.h"
#include "platform/logical_partitions.h"
#include "tests/support/guid_table_image.h"
#include "tests/support/memory_platform.h"

namespace kvx::testing {
namespace {

struct MapCase {
  const char* option;
  const char* letter;  // looked up afterwards
  const char* path;    // nullptr: refused, or no mapping
  int partition = 0;
};

void PrintTo(const MapCase& c, std::ostream* os) { *os << c.option; }

class DriveMapTest : public ::testing::TestWithParam<MapCase> {};

TEST_P(DriveMapTest, MapsTheLetterToItsPathAndPartition) {
  const MapCase& c = GetParam();
  DriveMap map;
  bool accepted = !map.Add(c.option).has_value();
  std::optional<VolumeLocation> location = map.LocationOf(c.letter);
  if (c.path == nullptr) {
    EXPECT_FALSE(location.has_value());
    return;
  }
  EXPECT_TRUE(accepted);
  EXPECT_EQ(location, (VolumeLocation{c.path, c.partition}));
  EXPECT_EQ(map.PathOf(c.letter), c.path);
  EXPECT_EQ(c.option + 2, LocationText(*location));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Options, DriveMapTest, ::testing::Values(
    MapCase{"E=/dev/sdb@1", "e", "/dev/sdb", 1}, MapCase{"E=gpt.img@255", "E", "gpt.img", 255},
    // Anything but a partition number after the last "@" is path.
    MapCase{"E=a@b/card.img", "E", "a@b/card.img"}, MapCase{"E=card.img@0", "E", "card.img@0"},
    MapCase{"E=card.img@05", "E", "card.img@05"}, MapCase{"E=card.img@256", "E", "card.img@256"},
    MapCase{"E=@1", "E", "@1"}, MapCase{"E=card.img", "F", nullptr},
    MapCase{"E:card.img", "E", nullptr}));
// clang-format on

// A later mapping of a letter replaces the earlier one; each is described in letter order.
TEST(DriveMapTest, DescribesEachLettersLastMappingInLetterOrder) {
  DriveMap map;
  for (const char* option : {"g=/dev/sdc", "E=first.img@2", "F=card.img", "e=whole.img@2"})
    ASSERT_FALSE(map.Add(option).has_value());
  EXPECT_EQ(map.Descriptions(),
            (std::vector<std::string>{"E: whole.img@2", "F: card.img", "G: /dev/sdc"}));
}

using Bytes = std::vector<std::byte>;
constexpr std::int64_t kSector = 512;

// A disk of `sectors` sectors, each filled with its number, and `sector0` on top.
constexpr std::int64_t kDiskSectors = 64;
Bytes Disk(const Bytes& sector0, std::int64_t sectors = kDiskSectors) {
  Bytes disk(static_cast<std::size_t>(sectors * kSector));
  for (std::int64_t i = 0; i < sectors; ++i)
    std::fill_n(disk.begin() + i * kSector, kSector, std::byte(i));
  std::copy(sector0.begin(), sector0.end(), disk.begin());
  return disk;
}

// Partition `number` of drive E, as a location names it.
std::unique_ptr<Volume> Select(MemoryPlatform& platform, int number, std::string& why_none) {
  return SelectPartition(platform.OpenVolume("E").value_or(nullptr), number, why_none);
}

void Place(Bytes& disk, std::int64_t sector, const Bytes& bytes) {
  std::copy(bytes.begin(), bytes.end(), disk.begin() + sector * kSector);
}

Bytes LinuxThenFat16() { return Mbr({{0x80, 0x83, 2, 4}, {0x00, 0x06, 8, 16}}); }

// A Linux partition in sectors 2-5, then an extended one at 32 whose chain of
// records holds a FAT16 (5: sectors 34-39) and a FAT32 partition (6: 44-51).
// `link2` is the second record's link: {0, 0} ends the chain.
Bytes Logicals(MbrEntry link2 = {}, MbrEntry extended = {0, 0x05, 32, 32},
               std::int64_t sectors = kDiskSectors) {
  Bytes disk = Disk(Mbr({{0, 0x83, 2, 4}, extended}), sectors);
  Place(disk, 32, Mbr({{0, 0x06, 2, 6}, {0, 0x05, 10, 12}}));
  Place(disk, 42, Mbr({{0, 0x0C, 2, 8}, link2}));
  return disk;
}

// An extended partition whose records follow one another, one a sector,
// past the chain's limit.
Bytes EndlessChain() {
  constexpr std::int64_t kSectors = kMaxChainLength + 40;
  Bytes disk = Disk(Mbr({{0, 0x05, 1, kSectors - 1}}), kSectors);
  for (std::int64_t at = 1; at + 1 < kSectors; ++at)
    Place(disk, at, Mbr({{0, 0x83, 0, 0}, {0, 0x05, static_cast<std::uint32_t>(at), 1}}));
  return disk;
}

// A GUID table: a Linux partition in slot 0 (1: sectors 8-15), slot 1 unused,
// a basic data partition in slot 2 (3: 16-31) that starts with a FAT boot sector.
Bytes Gpt(GuidHeaderShape shape = {}, bool fat_at_16 = true) {
  Bytes disk = Disk({});
  WriteGuidTable(disk, {{0, false, 8, 15}, {2, true, 16, 31}}, shape);
  if (fat_at_16) Place(disk, 16, FatBootSector());
  return disk;
}

Bytes Flipped(Bytes disk, std::int64_t at) {
  disk[static_cast<std::size_t>(at)] ^= std::byte{0x01};
  return disk;
}

constexpr std::int64_t kPrimaryHeaderCrc = kSector + 16;
constexpr std::int64_t kPrimaryEntries = 2 * kSector + 40;
constexpr std::int64_t kBackupHeaderCrc = (kDiskSectors - 1) * kSector + 16;
constexpr std::int64_t kBackupEntries = (kDiskSectors - 2) * kSector + 40;

struct SelectCase {
  const char* name;
  std::function<Bytes()> disk;
  int number;                 // the location's partition
  std::int64_t first_sector;  // of the volume chosen; -1: none
  std::int64_t sector_count;
  const char* why_none = "";  // part of the reason given when there is none
};

void PrintTo(const SelectCase& c, std::ostream* os) { *os << c.name; }

class SelectPartitionTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectPartitionTest, OpensTheVolumeTheLocationNames) {
  const SelectCase& c = GetParam();
  MemoryPlatform platform;
  Card& card = platform.Insert("E", c.disk());
  std::string why_none;
  std::unique_ptr<Volume> volume = Select(platform, c.number, why_none);
  EXPECT_LE(card.reads.size(), static_cast<std::size_t>(kMaxChainLength + 4));
  if (c.first_sector < 0) {
    EXPECT_EQ(volume, nullptr);
    EXPECT_NE(why_none.find(c.why_none), std::string::npos) << why_none;
    return;
  }
  ASSERT_NE(volume, nullptr) << why_none;
  EXPECT_EQ(volume->Size(), c.sector_count * kSector);
  Bytes first(kSector);
  ASSERT_EQ(volume->Read(0, first).delivered, first.size());
  Bytes expected = c.disk();
  EXPECT_TRUE(std::equal(first.begin(), first.end(), expected.begin() + c.first_sector * kSector));
}

std::function<Bytes()> OnDisk(Bytes sector0) {
  return [sector0] { return Disk(sector0); };
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SelectPartitionTest, ::testing::Values(
    SelectCase{"ABareFatVolumeIsItself", OnDisk(FatBootSector()), 0, 0, kDiskSectors},
    SelectCase{"ATableWithNoFatIsTheWholeDisk", OnDisk(Mbr({{0, 0x83, 2, 4}})), 0, 0, kDiskSectors},
    SelectCase{"NoSignatureIsNoTable", [] { return Flipped(Disk(LinuxThenFat16()), 511); }, 0, 0,
               kDiskSectors},
    SelectCase{"AnOddStatusIsNoTable", OnDisk(Mbr({{0x12, 0x06, 8, 16}})), 0, 0, kDiskSectors},
    SelectCase{"AnEntryAtSector0IsNoTable", OnDisk(Mbr({{0x00, 0x06, 0, 16}})), 0, 0, kDiskSectors},
    SelectCase{"PartitionOneWhateverItsType", OnDisk(LinuxThenFat16()), 1, 2, 4},
    SelectCase{"AnUnusedEntryNamesNothing", OnDisk(LinuxThenFat16()), 3, -1, 0, "no partition 3"},
    SelectCase{"ANumberedPartitionOfABareVolumeIsNothing", OnDisk(FatBootSector()), 1, -1, 0,
               "no partition table"},
    // Past the disk's end, the partition holds what the disk still has.
    SelectCase{"APartitionCutShortByTheDisk", OnDisk(Mbr({{0, 0x06, 60, 16}})), 0, 60, 4},
    // Logical partitions, numbered from 5 in chain order, count after primaries.
    SelectCase{"LogicalPartitionSix", [] { return Logicals(); }, 6, 44, 8},
    SelectCase{"NoLogicalPastTheChain", [] { return Logicals(); }, 7, -1, 0, "no partition 7"},
    SelectCase{"AFatPrimaryComesBeforeTheLogicals",
               [] { Bytes d = Logicals(); Place(d, 0, Mbr({{0, 0x05, 32, 32}, {0, 0x0E, 2, 4}}));
                    return d; }, 0, 2, 4},
    SelectCase{"AChainThatLoopsKeepsWhatCameBefore",
               [] { return Logicals({0, 0x05, 0, 10}); }, 6, 44, 8},
    SelectCase{"AChainThatLoopsIsRefused",
               [] { return Logicals({0, 0x05, 0, 10}); }, 7, -1, 0, "loops back at sector 32"},
    SelectCase{"AChainThatRunsOffTheDisk",
               [] { return Logicals({0, 0x05, 200, 10}, {0, 0x05, 32, 1000}); }, 7, -1, 0,
               "sector 232 cannot be read"},
    SelectCase{"ALinkOutsideTheExtendedPartition",
               [] { return Logicals({0, 0x05, 40, 10}); }, 7, -1, 0, "links outside"},
    SelectCase{"AChainPastItsLimit", EndlessChain, 5, -1, 0, "past 128 records"},
    // GUID tables: a slot's partition keeps its slot's number.
    SelectCase{"BasicDataWithoutFatIsNoDefault", [] { return Gpt({}, false); },
               0, 0, kDiskSectors},
    SelectCase{"ADamagedHeaderFallsBackToTheBackup",
               [] { return Flipped(Gpt(), kPrimaryHeaderCrc); }, 3, 16, 16},
    SelectCase{"DamagedEntriesFallBackToTheBackup",
               [] { return Flipped(Gpt(), kPrimaryEntries); }, 3, 16, 16},
    SelectCase{"BothHeadersDamagedIsRefused",
               [] { return Flipped(Flipped(Gpt(), kPrimaryHeaderCrc), kBackupHeaderCrc); },
               3, -1, 0, "sector 1 fails its CRC"},
    SelectCase{"BothEntryArraysDamagedIsRefused",
               [] { return Flipped(Flipped(Gpt(), kPrimaryEntries), kBackupEntries); },
               1, -1, 0, "fail their CRC"},
    // Sizes a hostile header gives are refused before anything is read.
    SelectCase{"EntriesOfNoBytes", [] { return Gpt({4, 0}); }, 3, -1, 0, "entries of 0 bytes"},
    SelectCase{"EntriesTooLarge", [] { return Gpt({1, 0xFFFFFFFF}); }, 3, -1, 0,
               "entries of 4294967295 bytes"},
    SelectCase{"EntriesTooMany", [] { return Gpt({0xFFFFFFFF, 128}); }, 3, -1, 0,
               "gives 4294967295 entries"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(SelectPartitionTest, AnUnreadableSectorZeroLeavesTheVolumeToReportIt) {
  MemoryPlatform platform;
  platform.Insert("E", Disk(LinuxThenFat16())).fault = {0, kSector};
  std::string why_none;
  std::unique_ptr<Volume> whole = Select(platform, 0, why_none);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->Size(), kDiskSectors * kSector);
  EXPECT_EQ(Select(platform, 2, why_none), nullptr);
  EXPECT_EQ(why_none, "sector 0 cannot be read");
}

TEST(Crc32Test, GivesTheCheckValueAndContinues) {
  const std::string text = "123456789";
  auto bytes = std::as_bytes(std::span(text));
  EXPECT_EQ(Crc32(bytes), 0xCBF43926u);
  EXPECT_EQ(Crc32(bytes.subspan(4), Crc32(bytes.first(4))), 0xCBF43926u);
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
  std::string why_none;
  std::unique_ptr<Volume> partition = Select(platform, 2, why_none);
  ASSERT_NE(partition, nullptr);
  Bytes buffer(static_cast<std::size_t>(c.length));
  ASSERT_EQ(partition->Read(c.offset, buffer).delivered, c.delivered);
  Bytes expected = Disk(LinuxThenFat16());
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(c.delivered),
                         expected.begin() + 8 * kSector + std::max<std::int64_t>(c.offset, 0)));
  for (auto [offset, size] : disk.reads) {
    EXPECT_LE(offset + static_cast<std::int64_t>(size), 24 * kSector) << offset;
  }
}

INSTANTIATE_TEST_SUITE_P(Reads, PartitionBoundTest,
                         ::testing::Values(BoundCase{0, 20 * kSector, 16 * kSector},
                                           BoundCase{16 * kSector - 100, 1000, 100},
                                           BoundCase{16 * kSector, 512, 0}, BoundCase{-1, 512, 0}));

}  // namespace
}  // namespace kvx::testing
