// The POSIX platform's own files and volumes: a target created only when new,
// a write the system refuses reported at once, and the size a volume reports:
// a card image's length, and "unknown" for a device that has no length, never
// a 0 that would read as an empty card.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/system_platform.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Neither an existing file nor the file a dangling link points to is created.
TEST(TargetFilePosixTest, CreateNewFileNeverReplacesOrFollowsALink) {
  TempDir dir;
  const std::string existing = (dir.path() / "FOUND0.KVX").string();
  const std::filesystem::path link = dir.path() / "FOUND1.KVX";
  std::ofstream(existing) << "earlier";
  std::filesystem::create_symlink(dir.path() / "elsewhere", link);
  auto platform = NewSystemPlatform(DriveMap{});
  EXPECT_EQ(platform->CreateNewFile(existing).status().code(), Status::Code::kExists);
  EXPECT_FALSE(platform->CreateNewFile(link.string()).ok());
  EXPECT_EQ(Content(existing), "earlier");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "elsewhere"));
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

}  // namespace
}  // namespace kvx::testing
