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
#include <optional>
#include <system_error>

#include "platform/linux/removable_volumes.h"
#include "platform/partition_volume.h"
#include "platform/posix/block_device_size.h"
#include "platform/system_platform.h"
#include "platform/target_path.h"

namespace kvx {

const bool kRawVolumesNeedAdministrator = false;
const std::string_view kNameCharactersRefusedHere = "";
const std::string_view kPathSeparatorsHere = "/";

namespace {

// The places where errno is looked at: retry what was interrupted, and turn
// everything else into a Status.
bool ShouldRetry(ssize_t result) { return result < 0 && errno == EINTR; }

Status StatusFromErrno(int error, const std::string& subject) {
  using Code = Status::Code;
  Code code = Code::kOther;
  switch (error) {
    case ENOENT: case ENOTDIR: code = Code::kNotFound; break;
    case EACCES: case EPERM: code = Code::kPermissionDenied; break;
    case EISDIR: code = Code::kIsDirectory; break;
    case EEXIST: code = Code::kExists; break;
    case ENOSPC: case EDQUOT: code = Code::kNoSpace; break;
    case EFBIG: code = Code::kFileTooLarge; break;
    case EIO: code = Code::kIoError; break;
    case ENXIO: case ENODEV: case ENOMEDIUM: code = Code::kDeviceGone; break;
    default: break;
  }
  return Status(code, subject, std::system_category().message(error));
}

class PosixVolume final : public Volume {
 public:
  PosixVolume(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixVolume() override { ::close(fd_); }
  PosixVolume(const PosixVolume&) = delete;
  PosixVolume& operator=(const PosixVolume&) = delete;

  ReadResult Read(std::int64_t offset, std::span<std::byte> buffer) override {
    ReadResult result;
    if (offset < 0) return result;
    while (result.delivered < buffer.size()) {
      const std::size_t done = result.delivered;
      ssize_t got = ::pread(fd_, buffer.data() + done, buffer.size() - done,
                            static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
      if (ShouldRetry(got)) continue;
      if (got < 0) result.status = StatusFromErrno(errno, path_);
      if (got <= 0) break;
      result.delivered += static_cast<std::size_t>(got);
    }
    return result;
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
  std::string path_;
};

class PosixTargetFile final : public TargetFile {
 public:
  PosixTargetFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixTargetFile() override { ::close(fd_); }
  PosixTargetFile(const PosixTargetFile&) = delete;
  PosixTargetFile& operator=(const PosixTargetFile&) = delete;

  Status Write(std::span<const std::byte> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (ShouldRetry(put)) continue;
      if (put <= 0) return Failed(put);
      done += static_cast<std::size_t>(put);
    }
    return Status();
  }

  Status WriteAt(std::int64_t offset, std::span<const std::byte> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t put = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                             static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
      if (ShouldRetry(put)) continue;
      if (put <= 0) return Failed(put);
      done += static_cast<std::size_t>(put);
    }
    return Status();
  }

  Status Sync() override {
    if (::fsync(fd_) == 0) return Status();
    return StatusFromErrno(errno, path_);
  }

  // A failure here shows in the next Sync.
  void StartSync() override {
#ifdef __linux__
    ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
  }

 private:
  // A write that put nothing and gave no error: the device took no more.
  Status Failed(ssize_t put) const {
    return put < 0 ? StatusFromErrno(errno, path_) : StatusFromErrno(ENOSPC, path_);
  }

  int fd_;
  std::string path_;
};

// Opens a card path for reading only. O_NONBLOCK keeps a FIFO from hanging the
// open; anything but a regular file or a device is refused.
constexpr int kCardOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
static_assert((kCardOpenFlags & O_ACCMODE) == O_RDONLY &&
                  (kCardOpenFlags & (O_CREAT | O_TRUNC | O_APPEND)) == 0,
              "the card is opened for reading only");

// Returns the descriptor, or -1 with `status` saying why.
int OpenCardReadOnly(const std::string& path, Status& status) {
  int fd = ::open(path.c_str(), kCardOpenFlags);
  if (fd < 0) {
    status = StatusFromErrno(errno, path);
    return -1;
  }
  struct stat st {};
  bool readable_kind = ::fstat(fd, &st) == 0 &&
                       (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode));
  if (!readable_kind || ::fcntl(fd, F_SETFL, 0) != 0) {
    status = S_ISDIR(st.st_mode) ? StatusFromErrno(EISDIR, path)
                                 : Status(Status::Code::kOther, path, "not a file or a device");
    ::close(fd);
    return -1;
  }
  return fd;
}

// Opens the ordinary file `path` with `flags`; -1 with `status` saying why.
// O_NONBLOCK keeps a FIFO from hanging the open.
int OpenOrdinaryFile(const std::string& path, int flags, Status& status) {
  if (!IsWholePath(path)) {
    status = Status(Status::Code::kOther, path, "the name holds a NUL character");
    return -1;
  }
  int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    status = StatusFromErrno(errno, path);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
    status = S_ISDIR(st.st_mode) ? StatusFromErrno(EISDIR, path)
                                 : Status(Status::Code::kOther, path, "not an ordinary file");
    ::close(fd);
    return -1;
  }
  return fd;
}

// Makes a rename in `path`'s directory durable.
void SyncDirectoryOf(const std::string& path) {
  std::filesystem::path directory = std::filesystem::path(path).parent_path();
  int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A file's `size` bytes from its start; nullopt when a read fails or the file
// changed its length meanwhile.
std::optional<std::string> ReadAll(int fd, std::size_t size) {
  std::string content(size, '\0');
  std::size_t done = 0;
  while (done < size) {
    ssize_t got = ::pread(fd, content.data() + done, size - done, static_cast<off_t>(done));
    if (ShouldRetry(got)) continue;
    if (got <= 0) return std::nullopt;
    done += static_cast<std::size_t>(got);
  }
  char past_end;
  if (::pread(fd, &past_end, 1, static_cast<off_t>(size)) != 0) return std::nullopt;
  return content;
}

class PosixPlatform final : public Platform {
 public:
  explicit PosixPlatform(DriveMap drive_map) : drive_map_(std::move(drive_map)) {}

  Result<std::unique_ptr<Volume>> OpenVolume(const std::string& letter) override {
    std::optional<VolumeLocation> location = LocationOf(letter);
    if (!location) return Status(Status::Code::kNotMapped, letter, "");
    return OpenVolumeAt(*location);
  }

  std::optional<VolumeLocation> LocationOf(const std::string& letter) override {
    return (drive_map_.empty() ? RemovableDriveMap() : drive_map_).LocationOf(letter);
  }

  Result<std::unique_ptr<Volume>> OpenVolumeAt(const VolumeLocation& location) override {
    Status why;
    int fd = OpenCardReadOnly(location.path, why);
    if (fd < 0) return why;
    std::string why_none;
    std::unique_ptr<Volume> volume =
        SelectPartition(std::make_unique<PosixVolume>(fd, location.path), location.partition,
                        why_none);
    if (volume == nullptr) return Status(Status::Code::kOther, LocationText(location), why_none);
    return volume;
  }

  // The removable volume's own description where no --drive is given.
  std::string DescribeLetter(const std::string& letter) override {
    if (drive_map_.empty()) {
      for (const std::string& line : DriveDescriptions(drive_map_)) {
        if (line.rfind(letter + ":", 0) == 0) return line;
      }
    }
    std::optional<VolumeLocation> location = LocationOf(letter);
    return location ? letter + ": " + LocationText(*location) : LetterNamesNoCard(letter);
  }

  bool FileExists(const std::string& path) override {
    struct stat st {};
    return IsWholePath(path) && ::stat(WithoutTrailingBlanks(path).c_str(), &st) == 0 &&
           S_ISREG(st.st_mode);
  }

  std::optional<std::string> ReadSmallFile(const std::string& path,
                                           std::int64_t max_bytes) override {
    if (!IsWholePath(path)) return std::nullopt;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::string> content;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= max_bytes) {
      content = ReadAll(fd, static_cast<std::size_t>(st.st_size));
    }
    ::close(fd);
    return content;
  }

  Result<std::unique_ptr<Volume>> OpenFileToRead(const std::string& path) override {
    Status why;
    int fd = OpenOrdinaryFile(path, O_RDONLY, why);
    if (fd < 0) return why;
    return std::make_unique<PosixVolume>(fd, path);
  }

  Result<std::unique_ptr<TargetFile>> OpenFileToUpdate(const std::string& path) override {
    Status why;
    int fd = OpenOrdinaryFile(path, O_WRONLY, why);
    if (fd < 0) return why;
    if (::lseek(fd, 0, SEEK_END) < 0) {
      why = StatusFromErrno(errno, path);
      ::close(fd);
      return why;
    }
    return std::make_unique<PosixTargetFile>(fd, path);
  }

  Status RenameReplacing(const std::string& from, const std::string& to) override {
    if (!IsWholePath(from) || !IsWholePath(to)) {
      return Status(Status::Code::kOther, to, "the name holds a NUL character");
    }
    if (::rename(from.c_str(), to.c_str()) != 0) return StatusFromErrno(errno, to);
    SyncDirectoryOf(to);
    return Status();
  }

  bool DirectoryExists(const std::string& path) override {
    struct stat st {};
    return IsWholePath(path) && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  Result<std::unique_ptr<TargetFile>> CreateNewFile(const std::string& path) override {
    if (!IsWholePath(path)) {
      return Status(Status::Code::kOther, path, "the name holds a NUL character");
    }
    const std::string name = WithoutTrailingBlanks(path);
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return StatusFromErrno(errno, name);
    return std::make_unique<PosixTargetFile>(fd, name);
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
