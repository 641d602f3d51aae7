// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes away. Throws std::runtime_error when
// none can be made.
#pragma once

#include <filesystem>
#include <string>

namespace kvx::testing {

class TempDir {
 public:
  // Named `prefix` and a random number.
  explicit TempDir(const std::string& prefix = "kvx-test-");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The directory with the system's final separator, as Text2 wants it.
  std::string prefix() const { return (path_ / "").string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace kvx::testing
