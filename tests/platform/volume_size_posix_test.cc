// The size a POSIX volume reports: a card image's length, and "unknown" for a
// device that has no length, never a 0 that would read as an empty card.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/system_platform.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

std::int64_t SizeOf(const std::string& path) {
  DriveMap drives;
  EXPECT_EQ(drives.Add("E=" + path), std::nullopt);
  auto volume = NewSystemPlatform(drives)->OpenVolume("E").value_or(nullptr);
  if (volume == nullptr) {
    ADD_FAILURE() << "cannot open " << path;
    return -2;
  }
  return volume->Size();
}

TEST(VolumeSizePosixTest, ImageFileGivesItsLength) {
  TempDir dir;
  std::string path = (dir.path() / "card.img").string();
  std::ofstream(path, std::ios::binary) << std::string(1000, 'x');
  EXPECT_EQ(SizeOf(path), 1000);
}

TEST(VolumeSizePosixTest, CharacterDeviceHasNoKnownSize) { EXPECT_EQ(SizeOf("/dev/zero"), -1); }

}  // namespace
}  // namespace kvx::testing
