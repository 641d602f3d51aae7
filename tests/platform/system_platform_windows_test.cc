// The Windows platform's target files: created only when new, and found by
// the existence test only when they are ordinary files (a name field's
// trailing blanks: the Windows stage's retrievals, compared with Linux's).
// Letters: mapped to card images, or "\\.\L:".
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>

#include "platform/system_platform.h"
#include "tests/support/byte_text.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

class WindowsPlatformTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::unique_ptr<Platform> platform = NewSystemPlatform(DriveMap());
};

TEST_F(WindowsPlatformTest, ExistingFileIsNeverReplaced) {
  WriteFile(dir.path() / "FOUND0.KVX", "earlier");
  for (const char* name : {"FOUND0.KVX", "FOUND0.KVX   ", "found0.kvx"}) {
    EXPECT_EQ(platform->CreateNewFile(dir.prefix() + name).value_or(nullptr), nullptr) << name;
  }
  EXPECT_EQ(FileText(dir.path() / "FOUND0.KVX"), "earlier");
}

TEST_F(WindowsPlatformTest, Utf8NameArrivesIntact) {
  std::string name = "M\xc3\xbc" "ller \xe2\x82\xac.KVX";  // Müller €.KVX
  ASSERT_NE(platform->CreateNewFile(dir.prefix() + name).value_or(nullptr), nullptr);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / std::filesystem::path(u8"Müller €.KVX")));
  EXPECT_TRUE(platform->FileExists(dir.prefix() + name));
}

TEST_F(WindowsPlatformTest, OnlyOrdinaryFilesExist) {
  std::filesystem::create_directory(dir.path() / "FOLDER.KVX");
  EXPECT_FALSE(platform->FileExists(dir.prefix() + "FOLDER.KVX"));
  EXPECT_FALSE(platform->FileExists(dir.prefix() + "MISSING.KVX"));
  EXPECT_FALSE(platform->FileExists(dir.prefix() + "NO-SUCH-DIR\\FOUND0.KVX"));
  EXPECT_EQ(platform->CreateNewFile(dir.prefix() + "NO-SUCH-DIR\\FOUND0.KVX").value_or(nullptr), nullptr);
}

TEST_F(WindowsPlatformTest, HiddenOrSystemFileDoesNotExistButIsNotReplaced) {
  for (DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    std::filesystem::path path = dir.path() / ("MARKED" + std::to_string(attribute) + ".KVX");
    WriteFile(path, "earlier");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attribute));
    if ((GetFileAttributesW(path.c_str()) & attribute) == 0) {
      GTEST_SKIP() << "this file system does not keep the hidden and system attributes";
    }
    EXPECT_FALSE(platform->FileExists(path.string())) << attribute;
    EXPECT_EQ(platform->CreateNewFile(path.string()).value_or(nullptr), nullptr) << attribute;
    EXPECT_EQ(FileText(path), "earlier") << attribute;
  }
}

// A whole-card image with a partition table: the mapped letter reads its
// FAT partition (sectors 2 and 3), an unmapped one the volume of that letter.
TEST_F(WindowsPlatformTest, AMappedLetterOpensTheImagesFatPartition) {
  std::string image(8 * 512, 'x');
  image.replace(2 * 512, 4, "PART");
  image.replace(446, 64, std::string(64, '\0'));
  image[446 + 4] = 0x06;
  image[446 + 8] = 2;
  image[446 + 12] = 2;
  image[510] = '\x55';
  image[511] = '\xAA';
  WriteFile(dir.path() / "whole.img", image);
  DriveMap drives;
  ASSERT_FALSE(drives.Add("E=" + (dir.path() / "whole.img").string()).has_value());
  std::unique_ptr<Platform> mapped = NewSystemPlatform(drives);
  std::unique_ptr<Volume> volume = mapped->OpenVolume("E").value_or(nullptr);
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(volume->Size(), 1024);
  std::string first(4, '\0');
  EXPECT_EQ(volume->Read(0, std::as_writable_bytes(std::span(first.data(), first.size()))).delivered, 4u);
  EXPECT_EQ(first, "PART");
  EXPECT_EQ(mapped->LocationOf("Q"), (VolumeLocation{"\\\\.\\Q:", 0}));
}

}  // namespace
}  // namespace kvx::testing
