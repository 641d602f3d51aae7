// Windows: a drive letter names the card's raw volume "\\.\L:", or the image
// file or device that --drive maps it to, opened with GENERIC_READ and read at
// 64-bit positions; targets are created CREATE_NEW.
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/partition_volume.h"
#include "platform/system_platform.h"
#include "platform/target_path.h"

namespace kvx {

const bool kRawVolumesNeedAdministrator = true;
const std::string_view kNameCharactersRefusedHere = ":*?\"<>|";
const std::string_view kPathSeparatorsHere = "\\/";

namespace {

// Paths reach the core as UTF-8; the wide API keeps every character intact.
std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                   nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

// The system's message for `error`, from FormatMessageW, in UTF-8 without its
// closing line break.
std::string SystemText(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string utf8;
  if (length > 0 && text != nullptr) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                   nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(std::max(size, 0)));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size, nullptr,
                        nullptr);
  }
  LocalFree(text);
  while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ')) {
    utf8.pop_back();
  }
  return utf8.empty() ? "error " + std::to_string(error) : utf8;
}

// A card reader that has gone; older mingw-w64 headers lack the name.
constexpr DWORD kErrorNoSuchDevice = 433;

// The one place where GetLastError's codes become a Status.
Status StatusFromError(DWORD error, const std::string& subject) {
  using Code = Status::Code;
  Code code = Code::kOther;
  switch (error) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE:
      code = Code::kNotFound; break;
    case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: code = Code::kPermissionDenied; break;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: code = Code::kExists; break;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: code = Code::kNoSpace; break;
    case ERROR_FILE_TOO_LARGE: code = Code::kFileTooLarge; break;
    case ERROR_CRC: case ERROR_SECTOR_NOT_FOUND: case ERROR_IO_DEVICE: case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
      code = Code::kIoError; break;
    case ERROR_DEVICE_NOT_CONNECTED: case ERROR_NOT_READY: case kErrorNoSuchDevice:
      code = Code::kDeviceGone; break;
    default: break;
  }
  return Status(code, subject, SystemText(error));
}

class HandleOwner {
 public:
  explicit HandleOwner(HANDLE handle) : handle_(handle) {}
  ~HandleOwner() { CloseHandle(handle_); }
  HandleOwner(const HandleOwner&) = delete;
  HandleOwner& operator=(const HandleOwner&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

class WindowsVolume final : public Volume {
 public:
  WindowsVolume(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}

  ReadResult Read(std::int64_t offset, std::span<std::byte> buffer) override {
    ReadResult result;
    if (offset < 0) return result;
    std::size_t& done = result.delivered;
    while (done < buffer.size()) {
      LARGE_INTEGER position;
      position.QuadPart = offset + static_cast<std::int64_t>(done);
      DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, 1u << 30));
      DWORD got = 0;
      if (!SetFilePointerEx(handle_.get(), position, nullptr, FILE_BEGIN) ||
          !ReadFile(handle_.get(), buffer.data() + done, wanted, &got, nullptr)) {
        result.status = StatusFromError(GetLastError(), path_);
        break;
      }
      if (got == 0) break;
      done += got;
    }
    return result;
  }

  // A raw volume answers the disk's length query; an ordinary file (a card
  // image) does not, but has a file size.
  std::int64_t Size() const override {
    GET_LENGTH_INFORMATION length{};
    DWORD returned = 0;
    if (DeviceIoControl(handle_.get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                        sizeof(length), &returned, nullptr)) {
      return length.Length.QuadPart;
    }
    LARGE_INTEGER file_size{};
    if (GetFileSizeEx(handle_.get(), &file_size)) return file_size.QuadPart;
    return -1;
  }

 private:
  HandleOwner handle_;
  std::string path_;
};

class WindowsTargetFile final : public TargetFile {
 public:
  WindowsTargetFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}

  Status Write(std::span<const std::byte> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
      DWORD put = 0;
      if (!WriteFile(handle_.get(), bytes.data() + done, wanted, &put, nullptr) || put == 0) {
        return Failed();
      }
      done += put;
    }
    return Status();
  }

  // A positioned WriteFile moves the file pointer; it goes back to the end,
  // where Write appends.
  Status WriteAt(std::int64_t offset, std::span<const std::byte> bytes) override {
    std::size_t done = 0;
    bool written = true;
    while (written && done < bytes.size()) {
      OVERLAPPED at{};
      ULARGE_INTEGER position;
      position.QuadPart = static_cast<ULONGLONG>(offset) + done;
      at.Offset = position.LowPart;
      at.OffsetHigh = position.HighPart;
      DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
      DWORD put = 0;
      written = WriteFile(handle_.get(), bytes.data() + done, wanted, &put, &at) && put > 0;
      done += put;
    }
    Status status = written ? Status() : Failed();
    LARGE_INTEGER none{};
    // Where the write failed, that is the failure told; else the pointer's own.
    if (!SetFilePointerEx(handle_.get(), none, nullptr, FILE_END) && status.ok()) {
      status = StatusFromError(GetLastError(), path_);
    }
    return status;
  }

  Status Sync() override {
    if (FlushFileBuffers(handle_.get())) return Status();
    return StatusFromError(GetLastError(), path_);
  }

 private:
  // A write that put nothing and gave no error: the device took no more.
  Status Failed() const {
    DWORD error = GetLastError();
    return StatusFromError(error == ERROR_SUCCESS ? ERROR_DISK_FULL : error, path_);
  }

  HandleOwner handle_;
  std::string path_;
};

// The only access the card is ever opened with: reading, never writing.
constexpr DWORD kCardAccess = GENERIC_READ;
static_assert((kCardAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) ==
                  0,
              "the card is opened for reading only");

class WindowsPlatform final : public Platform {
 public:
  explicit WindowsPlatform(DriveMap drive_map) : drive_map_(std::move(drive_map)) {}

  Result<std::unique_ptr<Volume>> OpenVolume(const std::string& letter) override {
    std::optional<VolumeLocation> location = LocationOf(letter);
    if (!location) return Status(Status::Code::kNotMapped, letter, "");
    return OpenVolumeAt(*location);
  }

  std::optional<VolumeLocation> LocationOf(const std::string& letter) override {
    std::optional<VolumeLocation> mapped = drive_map_.LocationOf(letter);
    if (mapped) return mapped;
    return VolumeLocation{"\\\\.\\" + letter + ":", 0};
  }

  Result<std::unique_ptr<Volume>> OpenVolumeAt(const VolumeLocation& location) override {
    std::wstring path = Widen(location.path);
    HANDLE handle =
        CreateFileW(path.c_str(), kCardAccess, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    // A volume that Windows has mounted opens only when others may go on
    // writing to it; reading it is all the same to us, so ask again that way.
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
      handle = CreateFileW(path.c_str(), kCardAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    }
    if (handle == INVALID_HANDLE_VALUE) return StatusFromError(GetLastError(), location.path);
    std::string why_none;
    std::unique_ptr<Volume> volume =
        SelectPartition(std::make_unique<WindowsVolume>(handle, location.path), location.partition,
                        why_none);
    if (volume == nullptr) return Status(Status::Code::kOther, LocationText(location), why_none);
    return volume;
  }

  std::string DescribeLetter(const std::string& letter) override {
    std::optional<VolumeLocation> location = LocationOf(letter);
    return location ? letter + ": " + LocationText(*location) : LetterNamesNoCard(letter);
  }

  std::optional<std::string> ReadSmallFile(const std::string& path,
                                           std::int64_t max_bytes) override {
    if (!IsWholePath(path)) return std::nullopt;
    HANDLE handle = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    HandleOwner file(handle);
    LARGE_INTEGER size{};
    if (GetFileType(file.get()) != FILE_TYPE_DISK ||
        !GetFileSizeEx(file.get(), &size) || size.QuadPart > max_bytes) {
      return std::nullopt;
    }
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
      DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(file.get(), content.data() + done, wanted, &got, nullptr) || got == 0) {
        return std::nullopt;
      }
      done += got;
    }
    return content;
  }

  Result<std::unique_ptr<Volume>> OpenFileToRead(const std::string& path) override {
    Status why;
    HANDLE handle = OpenOrdinaryFile(path, GENERIC_READ, FILE_SHARE_READ, why);
    if (handle == INVALID_HANDLE_VALUE) return why;
    return std::make_unique<WindowsVolume>(handle, path);
  }

  Result<std::unique_ptr<TargetFile>> OpenFileToUpdate(const std::string& path) override {
    Status why;
    HANDLE handle = OpenOrdinaryFile(path, GENERIC_WRITE, 0, why);
    if (handle == INVALID_HANDLE_VALUE) return why;
    LARGE_INTEGER none{};
    if (!SetFilePointerEx(handle, none, nullptr, FILE_END)) {
      why = StatusFromError(GetLastError(), path);
      CloseHandle(handle);
      return why;
    }
    return std::make_unique<WindowsTargetFile>(handle, path);
  }

  Status RenameReplacing(const std::string& from, const std::string& to) override {
    if (!IsWholePath(from) || !IsWholePath(to)) {
      return Status(Status::Code::kOther, to, "the name holds a NUL character");
    }
    if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return Status();
    }
    return StatusFromError(GetLastError(), to);
  }

  bool DirectoryExists(const std::string& path) override {
    if (!IsWholePath(path)) return false;
    DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  // Like a directory search for the first ordinary file of that name: hidden
  // files, system files and directories do not count.
  bool FileExists(const std::string& path) override {
    WIN32_FIND_DATAW found;
    if (!IsWholePath(path)) return false;
    HANDLE search = FindFirstFileW(Widen(WithoutTrailingBlanks(path)).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    constexpr DWORD kNotOrdinary =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    bool exists = false;
    do {
      exists = (found.dwFileAttributes & kNotOrdinary) == 0;
    } while (!exists && FindNextFileW(search, &found));
    FindClose(search);
    return exists;
  }

  Result<std::unique_ptr<TargetFile>> CreateNewFile(const std::string& path) override {
    if (!IsWholePath(path)) {
      return Status(Status::Code::kOther, path, "the name holds a NUL character");
    }
    const std::string name = WithoutTrailingBlanks(path);
    HANDLE handle = CreateFileW(Widen(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return StatusFromError(GetLastError(), name);
    return std::make_unique<WindowsTargetFile>(handle, name);
  }

 private:
  // An existing ordinary file (no device, folder or pipe), or
  // INVALID_HANDLE_VALUE with `why` saying why not.
  static HANDLE OpenOrdinaryFile(const std::string& path, DWORD access, DWORD share, Status& why) {
    if (!IsWholePath(path)) {
      why = Status(Status::Code::kOther, path, "the name holds a NUL character");
      return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = CreateFileW(Widen(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      why = StatusFromError(GetLastError(), path);
    } else if (GetFileType(handle) != FILE_TYPE_DISK) {
      why = Status(Status::Code::kOther, path, "not an ordinary file");
      CloseHandle(handle);
      handle = INVALID_HANDLE_VALUE;
    }
    return handle;
  }

  DriveMap drive_map_;
};

}  // namespace

std::string DefaultTargetDirectory() { return "C:\\"; }

// Windows has no file-size signal: a write past a quota simply fails.
void IgnoreFileSizeSignal() {}

std::unique_ptr<Platform> NewSystemPlatform(DriveMap drive_map) {
  return std::make_unique<WindowsPlatform>(std::move(drive_map));
}

// The letters of real volumes are the ones Explorer shows; only mappings are listed.
std::vector<std::string> DriveDescriptions(const DriveMap& drive_map) {
  return drive_map.Descriptions();
}

}  // namespace kvx
