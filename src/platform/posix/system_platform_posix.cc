// POSIX: drive letters come from the drive map, or without one from the
// removable volumes present when a letter is asked for; the card is read with
// pread on a descriptor opened O_RDONLY, targets are created with O_CREAT|O_EXCL.
// A block device's size is asked in the system's own way (block_device_size.h).
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/linux/removable_volumes.h"
#include "platform/partition_volume.h"
#include "platform/posix/block_device_size.h"
#include "platform/system_platform.h"
#include "platform/target_path.h"

namespace kvx {

const std::string_view kNameCharactersRefusedHere = "";
const std::string_view kPathSeparatorsHere = "/";

namespace {

// The one place where errno is looked at: retry what was interrupted, and
// report everything else as "no more bytes".
bool ShouldRetry(ssize_t result) { return result < 0 && errno == EINTR; }

class PosixVolume final : public Volume {
 public:
  explicit PosixVolume(int fd) : fd_(fd) {}
  ~PosixVolume() override { ::close(fd_); }
  PosixVolume(const PosixVolume&) = delete;
  PosixVolume& operator=(const PosixVolume&) = delete;

  std::size_t Read(std::int64_t offset, std::span<std::byte> buffer) override {
    if (offset < 0) return 0;
    std::size_t done = 0;
    while (done < buffer.size()) {
      ssize_t got = ::pread(fd_, buffer.data() + done, buffer.size() - done,
                            static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
      if (ShouldRetry(got)) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

  // A card image's file length, or a block device's, which fstat gives as 0.
  std::int64_t Size() const override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return -1;
    if (S_ISREG(st.st_mode)) return static_cast<std::int64_t>(st.st_size);
    if (S_ISBLK(st.st_mode)) return BlockDeviceSize(fd_);
    return -1;
  }

 private:
  int fd_;
};

class PosixTargetFile final : public TargetFile {
 public:
  explicit PosixTargetFile(int fd) : fd_(fd) {}
  ~PosixTargetFile() override { ::close(fd_); }
  PosixTargetFile(const PosixTargetFile&) = delete;
  PosixTargetFile& operator=(const PosixTargetFile&) = delete;

  bool Write(std::span<const std::byte> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (ShouldRetry(put)) continue;
      if (put <= 0) return false;
      done += static_cast<std::size_t>(put);
    }
    return true;
  }

  bool WriteAt(std::int64_t offset, std::span<const std::byte> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t put = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                             static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
      if (ShouldRetry(put)) continue;
      if (put <= 0) return false;
      done += static_cast<std::size_t>(put);
    }
    return true;
  }

 private:
  int fd_;
};

// Opens a card path for reading only. O_NONBLOCK keeps a FIFO from hanging the
// open; anything but a regular file or a device is refused.
constexpr int kCardOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
static_assert((kCardOpenFlags & O_ACCMODE) == O_RDONLY &&
                  (kCardOpenFlags & (O_CREAT | O_TRUNC | O_APPEND)) == 0,
              "the card is opened for reading only");

int OpenCardReadOnly(const std::string& path) {
  int fd = ::open(path.c_str(), kCardOpenFlags);
  if (fd < 0) return -1;
  struct stat st {};
  bool readable_kind = ::fstat(fd, &st) == 0 &&
                       (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode));
  if (!readable_kind || ::fcntl(fd, F_SETFL, 0) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

class PosixPlatform final : public Platform {
 public:
  explicit PosixPlatform(DriveMap drive_map) : drive_map_(std::move(drive_map)) {}

  std::unique_ptr<Volume> OpenVolume(const std::string& letter) override {
    std::optional<VolumeLocation> location = LocationOf(letter);
    return location ? OpenVolumeAt(*location) : nullptr;
  }

  std::optional<VolumeLocation> LocationOf(const std::string& letter) override {
    return (drive_map_.empty() ? RemovableDriveMap() : drive_map_).LocationOf(letter);
  }

  std::unique_ptr<Volume> OpenVolumeAt(const VolumeLocation& location) override {
    int fd = OpenCardReadOnly(location.path);
    if (fd < 0) return nullptr;
    return SelectPartition(std::make_unique<PosixVolume>(fd), location.partition);
  }

  bool FileExists(const std::string& path) override {
    struct stat st {};
    return IsWholePath(path) && ::stat(WithoutTrailingBlanks(path).c_str(), &st) == 0 &&
           S_ISREG(st.st_mode);
  }

  bool DirectoryExists(const std::string& path) override {
    struct stat st {};
    return IsWholePath(path) && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  std::unique_ptr<TargetFile> CreateNewFile(const std::string& path) override {
    if (!IsWholePath(path)) return nullptr;
    int fd = ::open(WithoutTrailingBlanks(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    0644);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixTargetFile>(fd);
  }

 private:
  DriveMap drive_map_;
};

}  // namespace

std::string DefaultTargetDirectory() {
  std::error_code error;
  std::string directory = std::filesystem::current_path(error).string();
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory;
}

// A write past a file-size limit then fails with EFBIG and is reported, instead
// of killing the program half-way through a retrieval.
void IgnoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

std::unique_ptr<Platform> NewSystemPlatform(DriveMap drive_map) {
  return std::make_unique<PosixPlatform>(std::move(drive_map));
}

std::vector<std::string> DriveDescriptions(const DriveMap& drive_map) {
  if (!drive_map.empty()) return drive_map.Descriptions();
  std::vector<std::string> lines;
  for (const RemovableVolume& volume : ListRemovableVolumes()) {
    lines.push_back(DescribeVolume(volume));
  }
  return lines;
}

}  // namespace kvx
