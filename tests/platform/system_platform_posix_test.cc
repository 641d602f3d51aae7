// The POSIX platform's own files and volumes: a target created only when new,
// a write the system refuses reported at once, and the size a volume reports:
// a card image's length, and "unknown" for a device that has no length, never
// a 0 that would read as an empty card. Then the letters for the removable
// volumes, from a sysfs tree and device nodes made here: plain files stand for
// the disks, so no real device is needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/removable_volumes.h"
#include "platform/system_platform.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/guid_table_image.h"
#include "tests/support/byte_text.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

namespace fs = std::filesystem;


// Neither an existing file nor the file a dangling link points to is created.
TEST(TargetFilePosixTest, CreateNewFileNeverReplacesOrFollowsALink) {
  TempDir dir;
  const std::string existing = (dir.path() / "FOUND0.KVX").string();
  const fs::path link = dir.path() / "FOUND1.KVX";
  std::ofstream(existing) << "earlier";
  fs::create_symlink(dir.path() / "elsewhere", link);
  auto platform = NewSystemPlatform(DriveMap{});
  EXPECT_EQ(platform->CreateNewFile(existing).status().code(), Status::Code::kExists);
  EXPECT_FALSE(platform->CreateNewFile(link.string()).ok());
  EXPECT_EQ(FileText(existing), "earlier");
  EXPECT_FALSE(fs::exists(dir.path() / "elsewhere"));
}

// Past the file-size cap the system refuses the write: both writes fail with
// the reason, where retrying would never end.
TEST(TargetFilePosixTest, AWriteTheSystemRefusesFailsWithItsReason) {
  TempDir dir;
  auto file =
      NewSystemPlatform(DriveMap{})->CreateNewFile((dir.path() / "big").string()).value_or(nullptr);
  ASSERT_NE(file, nullptr);
  const std::vector<std::byte> block(8192);
  LimitFileSize(4096);
  const Status wrote = file->Write(block), wrote_at = file->WriteAt(4096, block);
  LimitFileSize(kTestFileSizeLimit);
  EXPECT_EQ(wrote.code(), Status::Code::kFileTooLarge);
  EXPECT_EQ(wrote_at.code(), Status::Code::kFileTooLarge);
}

TEST(VolumeSizePosixTest, AnImageGivesItsLengthACharacterDeviceNone) {
  TempDir dir;
  const std::string image = (dir.path() / "card.img").string();
  std::ofstream(image, std::ios::binary) << std::string(1000, 'x');
  for (auto [path, size] : {std::pair{image, 1000}, {"/dev/zero", -1}}) {
    DriveMap drives;
    ASSERT_EQ(drives.Add("E=" + path), std::nullopt);
    auto volume = NewSystemPlatform(drives)->OpenVolume("E").value_or(nullptr);
    ASSERT_NE(volume, nullptr) << path;
    EXPECT_EQ(volume->Size(), size) << path;
  }
}

struct Partition {
  int type;
  std::uint32_t first_sector;
  std::uint32_t sector_count;
  bool has_node = true;  // sysfs lists it, so it has a device node
};

struct FakeDisk {
  std::string name;
  std::string device_path;  // under sys/devices: the bus it hangs on
  std::string dev;          // "major:minor"
  std::string removable;
  std::int64_t sectors;
  std::vector<std::pair<std::string, std::string>> device_attributes;
  std::vector<Partition> partitions;  // none: no partition table
  // A GUID table instead; basic data partitions start with a FAT boot
  // sector where `fat` says so.
  std::vector<GuidEntry> guid_entries = {};
  bool fat = false;
};


// The disk's sector 0: an MBR when it has partitions, else a FAT boot sector.
std::vector<std::byte> SectorZero(const FakeDisk& disk) {
  if (disk.partitions.empty()) return FatBootSector({});
  std::vector<MbrEntry> entries;
  for (const Partition& p : disk.partitions)
    entries.push_back({0, p.type, p.first_sector, p.sector_count});
  return Mbr(entries);
}

void MakeDisk(const DeviceRoots& roots, const FakeDisk& disk) {
  fs::path dir = roots.sys / "devices" / disk.device_path / "block" / disk.name;
  WriteFile(dir / "dev", disk.dev + "\n");
  WriteFile(dir / "removable", disk.removable + "\n");
  WriteFile(dir / "size", std::to_string(disk.sectors) + "\n");
  for (auto& [name, value] : disk.device_attributes) WriteFile(dir / "device" / name, value + "\n");
  fs::create_directories(roots.sys / "block");
  fs::create_directory_symlink(dir, roots.sys / "block" / disk.name);

  // The disk's first 8 MiB: the table, its partitions' first sectors and the
  // backup table (where a table of its size would keep it).
  std::vector<std::byte> image = SectorZero(disk);
  image.resize(8 << 20);
  if (!disk.guid_entries.empty()) WriteGuidTable(image, disk.guid_entries);
  const std::vector<std::byte> boot_sector = FatBootSector();
  auto add_partition = [&](std::size_t number) {
    std::string part =
        disk.name + (disk.name.starts_with("mmc") ? "p" : "") + std::to_string(number);
    WriteFile(dir / part / "partition", std::to_string(number) + "\n");
    WriteFile(roots.dev / part, "");
  };
  for (const GuidEntry& entry : disk.guid_entries) {
    if (entry.basic_data && disk.fat)
      std::copy(boot_sector.begin(), boot_sector.end(), image.begin() + entry.first_sector * 512);
    add_partition(entry.slot + 1);
  }
  for (std::size_t i = 0; i < disk.partitions.size(); ++i)
    if (disk.partitions[i].has_node) add_partition(i + 1);
  const std::string node = (roots.dev / disk.name).string();
  fs::create_directories(roots.dev);
  WriteFile(node, TextOf(image));
  fs::resize_file(node, 64 << 20);
}

constexpr char kUsbReader[] = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";

class RemovableVolumesTest : public ::testing::Test {
 protected:
  RemovableVolumesTest() {
    roots_.sys = dir_.path() / "sys";
    roots_.dev = dir_.path() / "dev";
    // Made out of device order, as a directory may list them.
    MakeDisk(roots_, {"sdc", "pci0000:00/0000:00:1d.0/host7/target7:0:0/7:0:0:0", "8:32", "1",
                      3906250, {{"vendor", "Generic "}, {"model", "STORAGE DEVICE  "}}, {}});
    MakeDisk(roots_, {"mmcblk0", "platform/fe320000.mmc/mmc_host/mmc0/mmc0:aaaa", "179:0", "0",
                      62333952, {{"name", "SD32G"}}, {{0x0E, 8192, 62325760}}});
    MakeDisk(roots_, {"sdb", kUsbReader, "8:16", "0", 3862528,
                      {{"vendor", "Generic"}, {"model", "SD reader"}},
                      {{0x0C, 2048, 8192}, {0x83, 10240, 4096}, {0x06, 16384, 4096, false}}});
    // A GUID table: a Linux partition, an unused slot, a FAT basic data one.
    MakeDisk(roots_, {"sde", kUsbReader, "8:64", "1", 3862528,
                      {{"vendor", "Generic"}, {"model", "GPT reader"}}, {},
                      {{0, false, 2048, 4095}, {2, true, 4096, 8191}}, true});
    // No letter: a basic data partition without FAT, fixed disks, an empty
    // reader slot and a loop device.
    MakeDisk(roots_, {"sdf", kUsbReader, "8:80", "1", 3862528, {{"model", "NTFS"}}, {},
                      {{0, true, 2048, 4095}}, false});
    MakeDisk(roots_, {"sda", "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "8:0", "0",
                      500118192, {{"model", "Samsung SSD"}}, {{0x0C, 2048, 8192}}});
    MakeDisk(roots_, {"sdd", kUsbReader, "8:48", "1", 0, {{"model", "MS reader"}}, {}});
    MakeDisk(roots_, {"loop0", "virtual", "7:0", "0", 2048, {}, {}});
  }

  std::string Dev(const std::string& name) const { return (roots_.dev / name).string(); }

  TempDir dir_;
  DeviceRoots roots_;
};

TEST_F(RemovableVolumesTest, LettersTheRemovableDisksFatVolumesInDeviceOrder) {
  std::vector<std::string> lines, mapped;
  for (const RemovableVolume& volume : ListRemovableVolumes(roots_))
    lines.push_back(DescribeVolume(volume));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "E: " + Dev("sdb1") + ", 4.2 MB, Generic SD reader",
                       // A FAT partition that sysfs gives no node: the disk and its number.
                       "F: " + Dev("sdb") + "@3, 2.1 MB, Generic SD reader",
                       // No partition table: the whole disk.
                       "G: " + Dev("sdc") + ", 2.0 GB, Generic STORAGE DEVICE",
                       // A GUID table's partition keeps its slot's number.
                       "H: " + Dev("sde3") + ", 2.1 MB, Generic GPT reader",
                       "I: " + Dev("mmcblk0p1") + ", 31.9 GB, SD32G",
                   }));
  // The drive map leads each letter to the same volume.
  for (const std::string& line : lines) mapped.push_back(line.substr(0, line.find(',')));
  EXPECT_EQ(RemovableDriveMap(roots_).Descriptions(), mapped);
}

TEST(RemovableVolumesNoneTest, AMachineWithoutSysfsHasNoLetters) {
  TempDir dir;
  EXPECT_TRUE(ListRemovableVolumes({dir.path() / "sys", dir.path() / "dev"}).empty());
}

}  // namespace
}  // namespace kvx::testing
