#include "tests/support/memory_platform.h"

#include <algorithm>
#include <cstring>

#include "platform/target_path.h"
#include "tests/support/byte_text.h"

namespace kvx::testing {

namespace {

class MemoryVolume final : public Volume {
 public:
  MemoryVolume(Card& card, std::shared_ptr<int> open_count)
      : card_(card), open_count_(std::move(open_count)) {
    ++*open_count_;
  }
  ~MemoryVolume() override { --*open_count_; }

  ReadResult Read(std::int64_t offset, std::span<std::byte> buffer) override {
    ReadResult result = ReadCard(offset, buffer);
    card_.after_read();
    return result;
  }

  std::int64_t Size() const override { return static_cast<std::int64_t>(card_.bytes.size()); }

 private:
  ReadResult ReadCard(std::int64_t offset, std::span<std::byte> buffer) {
    card_.reads.emplace_back(offset, buffer.size());
    Status read_status;
    auto size = static_cast<std::int64_t>(card_.bytes.size());
    if (offset < 0 || offset >= size) return {};
    std::int64_t end = std::min<std::int64_t>(offset + static_cast<std::int64_t>(buffer.size()), size);
    UnstableRange& unstable = card_.unstable;
    const bool changed = offset < unstable.to && end > unstable.from && unstable.reads++ > 0;
    bool failed = false;
    if (offset < card_.fault.to && end > card_.fault.from) {
      end = card_.whole_read_fails ? offset : std::max(offset, card_.fault.from);
      failed = true;
    }
    if (changed && unstable.fails && end > unstable.from) {
      end = std::max(offset, unstable.from);
      failed = true;
    }
    if (failed) read_status = Status(Status::Code::kIoError, "card", "Input/output error");
    std::memcpy(buffer.data(), card_.bytes.data() + offset, static_cast<std::size_t>(end - offset));
    if (changed && !unstable.fails) {
      for (std::int64_t at = std::max(offset, unstable.from); at < std::min(end, unstable.to); ++at) {
        buffer[static_cast<std::size_t>(at - offset)] ^= std::byte{0xFF};
      }
    }
    return {static_cast<std::size_t>(end - offset), read_status};
  }

  Card& card_;
  std::shared_ptr<int> open_count_;
};

class MemoryTarget final : public TargetFile {
 public:
  MemoryTarget(std::vector<std::byte>& bytes, MemoryPlatform& platform)
      : bytes_(bytes), platform_(platform) {}

  Status Write(std::span<const std::byte> bytes) override {
    std::int64_t used = 0;
    for (const auto& [path, content] : platform_.files) used += std::ssize(content);
    auto room = static_cast<std::size_t>(std::max<std::int64_t>(
        0, std::min(platform_.write_limit - std::ssize(bytes_), platform_.space - used)));
    std::size_t put = std::min(room, bytes.size());
    const std::int64_t start = std::ssize(bytes_);
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(put));
    const std::int64_t damaged = platform_.damaged_at;
    auto file = platform_.files.find(platform_.damaged_file);
    if (file != platform_.files.end() && &file->second == &bytes_ && damaged >= start &&
        damaged < std::ssize(bytes_)) {
      bytes_[static_cast<std::size_t>(damaged)] ^= std::byte{0xFF};
    }
    if (put < bytes.size()) return Status(Status::Code::kNoSpace, "target", "");
    return Status();
  }

  Status Sync() override {
    ++platform_.syncs;
    return Status();
  }

  Status WriteAt(std::int64_t offset, std::span<const std::byte> bytes) override {
    auto end = offset + static_cast<std::int64_t>(bytes.size());
    if (offset < 0 || end > static_cast<std::int64_t>(bytes_.size())) {
      return Status(Status::Code::kOther, "target", "");
    }
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + offset);
    return Status();
  }

 private:
  std::vector<std::byte>& bytes_;
  MemoryPlatform& platform_;
};

// A file of the platform's `files`, read like a volume.
class MemoryFileVolume final : public Volume {
 public:
  explicit MemoryFileVolume(const std::vector<std::byte>& bytes) : bytes_(bytes) {}

  ReadResult Read(std::int64_t offset, std::span<std::byte> buffer) override {
    auto size = static_cast<std::int64_t>(bytes_.size());
    if (offset < 0 || offset >= size) return {};
    auto n = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), size - offset));
    std::memcpy(buffer.data(), bytes_.data() + offset, n);
    return {n, Status()};
  }

  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }

 private:
  const std::vector<std::byte>& bytes_;
};

}  // namespace

Card& MemoryPlatform::Insert(const std::string& letter, std::vector<std::byte> bytes) {
  auto card = std::make_unique<Card>();
  card->bytes = std::move(bytes);
  Card& inserted = *card;
  cards_[letter] = std::move(card);
  return inserted;
}

Result<std::unique_ptr<Volume>> MemoryPlatform::OpenVolume(const std::string& letter) {
  auto it = cards_.find(letter);
  if (it == cards_.end()) return Status(Status::Code::kNotMapped, letter, "");
  ++opens_;
  return std::make_unique<MemoryVolume>(*it->second, open_volumes_);
}

bool MemoryPlatform::FileExists(const std::string& path) {
  return files.count(WithoutTrailingBlanks(path)) > 0;
}

bool MemoryPlatform::DirectoryExists(const std::string& path) {
  return std::find(directories.begin(), directories.end(), path) != directories.end();
}

std::optional<std::string> MemoryPlatform::ReadSmallFile(const std::string& path,
                                                         std::int64_t max_bytes) {
  auto it = files.find(path);
  if (it == files.end() || static_cast<std::int64_t>(it->second.size()) > max_bytes) {
    return std::nullopt;
  }
  return TextOf(it->second);
}

Result<std::unique_ptr<TargetFile>> MemoryPlatform::CreateNewFile(const std::string& path) {
  std::string name = WithoutTrailingBlanks(path);
  if (files.count(name) ||
      std::find(blocked_paths.begin(), blocked_paths.end(), name) != blocked_paths.end()) {
    return files.count(name) ? Status(Status::Code::kExists, name, "File exists")
                             : Status(Status::Code::kPermissionDenied, name, "");
  }
  created.push_back(name);
  return std::make_unique<MemoryTarget>(files[name], *this);
}

Result<std::unique_ptr<Volume>> MemoryPlatform::OpenFileToRead(const std::string& path) {
  auto it = files.find(path);
  if (it == files.end()) return Status(Status::Code::kNotFound, path, "No such file or directory");
  return std::make_unique<MemoryFileVolume>(it->second);
}

Result<std::unique_ptr<TargetFile>> MemoryPlatform::OpenFileToUpdate(const std::string& path) {
  auto it = files.find(path);
  if (it == files.end()) return Status(Status::Code::kNotFound, path, "No such file or directory");
  return std::make_unique<MemoryTarget>(it->second, *this);
}

Status MemoryPlatform::RenameReplacing(const std::string& from, const std::string& to) {
  auto it = files.find(from);
  if (it == files.end()) return Status(Status::Code::kNotFound, from, "No such file or directory");
  std::vector<std::byte> bytes = std::move(it->second);
  files.erase(it);
  files[to] = std::move(bytes);
  return Status();
}

}  // namespace kvx::testing
