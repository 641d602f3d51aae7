// A target file mended in place: a positioned write replaces bytes written
// before, and the next plain write still goes to the end.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/system_platform.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

std::span<const std::byte> Bytes(std::string_view text) { return std::as_bytes(std::span(text)); }

TEST(TargetFilePosixTest, WriteAtReplacesBytesAndWriteStillAppends) {
  TempDir dir;
  const std::string path = (dir.path() / "card.img").string();
  {
    auto file = NewSystemPlatform(DriveMap{})->CreateNewFile(path);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->Write(Bytes("abcdef")));
    EXPECT_TRUE(file->WriteAt(1, Bytes("XY")));
    EXPECT_TRUE(file->Write(Bytes("g")));
    EXPECT_TRUE(file->WriteAt(6, Bytes("Z")));
  }
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "aXYdefZ");
}

}  // namespace
}  // namespace kvx::testing
