#include "tests/support/temp_dir.h"

#include <random>
#include <stdexcept>

namespace kvx::testing {

TempDir::TempDir(const std::string& prefix) {
  // A random name, created only if it is not there yet: concurrent test runs
  // never share a directory.
  std::random_device seed;
  std::mt19937_64 random(seed());
  std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = base / (prefix + std::to_string(random() % 1000000000));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory under " + base.string());
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace kvx::testing
