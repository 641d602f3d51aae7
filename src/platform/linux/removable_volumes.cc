#include "platform/linux/removable_volumes.h"

#include <blkid/blkid.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>
#include <tuple>

#include "platform/ascii.h"
#include "platform/partition_table.h"

namespace kvx {

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kSysfsSectorSize = 512;  // sysfs counts sizes in 512-byte units
constexpr char kFirstLetter = 'E';
constexpr char kLastLetter = 'Z';
constexpr char kBasicDataType[] = "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7";

std::string Trimmed(std::string text) {
  auto blank = [](char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t first = 0;
  while (first < text.size() && blank(text[first])) ++first;
  return text.substr(first);
}

// The first line of a sysfs attribute, trimmed; empty when it cannot be read.
std::string Attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return Trimmed(line);
}

std::int64_t NumberAttribute(const fs::path& file) {
  long long value = 0;
  return std::sscanf(Attribute(file).c_str(), "%lld", &value) == 1 ? value : 0;
}

struct Disk {
  std::string name;  // "sdb", "mmcblk0"
  int major = 0;
  int minor = 0;
  std::int64_t size_bytes = 0;
  std::string model;
};

// A USB device or an SD/MMC host among the disk's ancestors in sysfs.
bool IsOnRemovableBus(const fs::path& disk_dir) {
  std::error_code error;
  fs::path device = fs::canonical(disk_dir, error);
  if (error) return false;
  for (const fs::path& part : device) {
    std::string name = part.string();
    if (name.starts_with("usb") || name == "mmc_host") return true;
  }
  return false;
}

std::string ModelOf(const fs::path& disk_dir) {
  // SCSI disks (USB readers) name vendor and model, SD cards in a host a name.
  std::string vendor = Attribute(disk_dir / "device" / "vendor");
  std::string model = Attribute(disk_dir / "device" / "model");
  if (model.empty()) model = Attribute(disk_dir / "device" / "name");
  if (vendor.empty() || model.empty()) return vendor + model;
  return vendor + " " + model;
}

std::vector<Disk> RemovableDisks(const fs::path& sys) {
  std::vector<Disk> disks;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(sys / "block", error)) {
    fs::path dir = entry.path();
    if (Attribute(dir / "removable") != "1" && !IsOnRemovableBus(dir)) continue;
    Disk disk;
    disk.name = dir.filename().string();
    disk.size_bytes = NumberAttribute(dir / "size") * kSysfsSectorSize;
    if (disk.size_bytes <= 0) continue;  // a reader with no card in it
    if (std::sscanf(Attribute(dir / "dev").c_str(), "%d:%d", &disk.major, &disk.minor) != 2) {
      disk.major = disk.minor = -1;
    }
    disk.model = ModelOf(dir);
    disks.push_back(std::move(disk));
  }
  std::sort(disks.begin(), disks.end(), [](const Disk& a, const Disk& b) {
    return std::tie(a.major, a.minor, a.name) < std::tie(b.major, b.minor, b.name);
  });
  return disks;
}

// The device node of partition `number` of `disk`, as sysfs names it.
std::optional<std::string> PartitionNodeName(const fs::path& disk_dir, int number) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(disk_dir, error)) {
    if (fs::exists(entry.path() / "partition") &&
        NumberAttribute(entry.path() / "partition") == number) {
      return entry.path().filename().string();
    }
  }
  return std::nullopt;
}

// A FAT system id in an MBR table; in a GUID table, a basic data partition
// whose first sector is a FAT boot sector (the type serves other file systems too).
bool IsFatPartition(const std::string& node, const std::string& table_type,
                    blkid_partition partition) {
  if (table_type == "dos") {
    return IsFatPartitionType(static_cast<std::uint8_t>(blkid_partition_get_type(partition)));
  }
  const char* type = blkid_partition_get_type_string(partition);
  if (table_type != "gpt" || type == nullptr || !EqualsIgnoringAsciiCase(type, kBasicDataType)) {
    return false;
  }
  std::array<char, 512> sector{};
  std::ifstream disk(node, std::ios::binary);
  disk.seekg(static_cast<std::streamoff>(blkid_partition_get_start(partition)) * kSysfsSectorSize);
  disk.read(sector.data(), sector.size());
  return disk.gcount() == static_cast<std::streamsize>(sector.size()) &&
         IsFatBootSector(std::as_bytes(std::span(sector)));
}

struct ProbeDeleter {
  void operator()(blkid_struct_probe* probe) const { blkid_free_probe(probe); }
};
using Probe = std::unique_ptr<blkid_struct_probe, ProbeDeleter>;

// The volumes one disk gives: its FAT partitions, or the whole disk when it
// carries no partition table (or cannot be read here; opening it then picks
// its first FAT partition, if it has one).
std::vector<RemovableVolume> VolumesOf(const Disk& disk, const DeviceRoots& roots) {
  const fs::path disk_dir = roots.sys / "block" / disk.name;
  const std::string node = (roots.dev / disk.name).string();
  RemovableVolume whole{kFirstLetter, {node, 0}, disk.size_bytes, disk.model};

  Probe probe(blkid_new_probe_from_filename(node.c_str()));
  if (!probe) return {whole};
  blkid_probe_enable_partitions(probe.get(), 1);
  blkid_partlist list = blkid_probe_get_partitions(probe.get());
  blkid_parttable table = list ? blkid_partlist_get_table(list) : nullptr;
  // A table without partitions is what a boot sector that is not quite FAT
  // (a damaged card's, say) reads as: the disk is the volume.
  if (table == nullptr || blkid_partlist_numof_partitions(list) <= 0) return {whole};
  const std::string table_type = blkid_parttable_get_type(table);

  std::vector<RemovableVolume> volumes;
  for (int i = 0; i < blkid_partlist_numof_partitions(list); ++i) {
    blkid_partition partition = blkid_partlist_get_partition(list, i);
    int number = blkid_partition_get_partno(partition);
    if (number < 1 || number > kMaxPartitionNumber) continue;
    if (!IsFatPartition(node, table_type, partition)) continue;
    std::optional<std::string> name = PartitionNodeName(disk_dir, number);
    VolumeLocation location =
        name ? VolumeLocation{(roots.dev / *name).string(), 0} : VolumeLocation{node, number};
    volumes.push_back(
        {kFirstLetter, location,
         static_cast<std::int64_t>(blkid_partition_get_size(partition)) * kSysfsSectorSize,
         disk.model});
  }
  return volumes;
}

std::string SizeText(std::int64_t bytes) {
  char text[32];
  if (bytes >= 1'000'000'000) {
    std::snprintf(text, sizeof(text), "%.1f GB", static_cast<double>(bytes) / 1e9);
  } else {
    std::snprintf(text, sizeof(text), "%.1f MB", static_cast<double>(bytes) / 1e6);
  }
  return text;
}

}  // namespace

std::vector<RemovableVolume> ListRemovableVolumes(const DeviceRoots& roots) {
  std::vector<RemovableVolume> volumes;
  char letter = kFirstLetter;
  for (const Disk& disk : RemovableDisks(roots.sys)) {
    for (RemovableVolume& volume : VolumesOf(disk, roots)) {
      if (letter > kLastLetter) return volumes;
      volume.letter = letter++;
      volumes.push_back(std::move(volume));
    }
  }
  return volumes;
}

std::string DescribeVolume(const RemovableVolume& volume) {
  std::string line = std::string(1, volume.letter) + ": " + LocationText(volume.location) + ", " +
                     SizeText(volume.size_bytes);
  if (!volume.model.empty()) line += ", " + volume.model;
  return line;
}

DriveMap RemovableDriveMap(const DeviceRoots& roots) {
  DriveMap map;
  for (const RemovableVolume& volume : ListRemovableVolumes(roots)) {
    map.Set(volume.letter, volume.location);
  }
  return map;
}

}  // namespace kvx
