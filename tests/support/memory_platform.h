// An in-memory Platform for tests: drive letters backed by byte vectors, with
// reads that fail or come up short over a chosen range, a log of every read,
// and target files held in memory that can be made to fail their writes.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace kvx::testing {

struct ReadFault {
  // Bytes in [from, to) cannot be read: a read that reaches `from` delivers
  // only the bytes before it. Reads wholly past `to` succeed.
  std::int64_t from = std::numeric_limits<std::int64_t>::max();
  std::int64_t to = std::numeric_limits<std::int64_t>::max();
};

// A stretch the card gives right the first time only: from the second read
// that reaches [from, to) on, its bytes there read inverted, or the read
// fails there as at a ReadFault.
struct UnstableRange {
  std::int64_t from = std::numeric_limits<std::int64_t>::max();
  std::int64_t to = std::numeric_limits<std::int64_t>::max();
  bool fails = false;
  int reads = 0;  // reads that reached it so far
};

struct Card {
  std::vector<std::byte> bytes;
  ReadFault fault;
  // A read that touches the fault delivers nothing at all, as a raw volume
  // may fail one large read over a single bad sector.
  bool whole_read_fails = false;
  UnstableRange unstable;
  std::vector<std::pair<std::int64_t, std::size_t>> reads;  // offset, size asked
  std::function<void()> after_read = [] {};
};

class MemoryPlatform : public Platform {
 public:
  // Maps drive `letter` to `bytes`; returns the card for faults and the log.
  Card& Insert(const std::string& letter, std::vector<std::byte> bytes);
  Card& CardOf(const std::string& letter) { return *cards_.at(letter); }

  // Volumes opened and not yet closed.
  int open_volumes() const { return *open_volumes_; }
  int opens() const { return opens_; }

  // Target files: path -> bytes written.
  std::map<std::string, std::vector<std::byte>> files;
  // Paths that exist but are not ordinary files (directories, say).
  std::vector<std::string> blocked_paths;
  // Paths DirectoryExists answers true for.
  std::vector<std::string> directories;
  // Writes fail once a file would grow past this many bytes, or all files
  // together past `space`.
  std::int64_t write_limit = std::numeric_limits<std::int64_t>::max();
  std::int64_t space = std::numeric_limits<std::int64_t>::max();
  // The target of this path stores the byte it is given at `damaged_at` inverted.
  std::string damaged_file;
  std::int64_t damaged_at = -1;
  std::vector<std::string> created;  // paths created, in order

  Result<std::unique_ptr<Volume>> OpenVolume(const std::string& letter) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  Result<std::unique_ptr<TargetFile>> CreateNewFile(const std::string& path) override;
  // A file of `files`, as written so far.
  std::optional<std::string> ReadSmallFile(const std::string& path,
                                           std::int64_t max_bytes) override;
  // A file of `files`, read or continued in place; a replace moves it.
  Result<std::unique_ptr<Volume>> OpenFileToRead(const std::string& path) override;
  Result<std::unique_ptr<TargetFile>> OpenFileToUpdate(const std::string& path) override;
  Status RenameReplacing(const std::string& from, const std::string& to) override;
  int syncs = 0;  // Sync calls on any target
  LocalTime now{2026, 12, 6, 9, 5, 7};
  LocalTime Now() override { return now; }

 private:
  std::map<std::string, std::unique_ptr<Card>> cards_;
  std::shared_ptr<int> open_volumes_ = std::make_shared<int>(0);
  int opens_ = 0;
};

}  // namespace kvx::testing
