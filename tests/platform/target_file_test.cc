// The system's own files: a target mended in place (a positioned write
// replaces bytes written before, the next plain write still goes to the end),
// an existing file continued or read back, and a file replaced in one step.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/system_platform.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

std::span<const std::byte> Bytes(std::string_view text) { return std::as_bytes(std::span(text)); }

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void MakeFile(const std::string& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(TargetFilePosixTest, WriteAtReplacesBytesAndWriteStillAppends) {
  TempDir dir;
  const std::string path = (dir.path() / "card.img").string();
  {
    auto file = NewSystemPlatform(DriveMap{})->CreateNewFile(path).value_or(nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->Write(Bytes("abcdef")).ok());
    EXPECT_TRUE(file->WriteAt(1, Bytes("XY")).ok());
    EXPECT_TRUE(file->Write(Bytes("g")).ok());
    EXPECT_TRUE(file->WriteAt(6, Bytes("Z")).ok());
  }
  EXPECT_EQ(Content(path), "aXYdefZ");
}

TEST(SystemFilesTest, UpdateKeepsTheFileAndAppendsAtItsEnd) {
  TempDir dir;
  const std::string path = (dir.path() / "card.img").string();
  MakeFile(path, "abc");
  auto platform = NewSystemPlatform(DriveMap{});
  {
    auto file = platform->OpenFileToUpdate(path).value_or(nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->Write(Bytes("de")).ok());
    EXPECT_TRUE(file->WriteAt(0, Bytes("X")).ok());
    EXPECT_TRUE(file->Sync().ok());
  }
  EXPECT_EQ(Content(path), "Xbcde");
  auto read = platform->OpenFileToRead(path).value_or(nullptr);
  ASSERT_NE(read, nullptr);
  std::string back(8, '.');
  EXPECT_EQ(read->Read(1, std::as_writable_bytes(std::span(back))).delivered, 4u);
  EXPECT_EQ(back.substr(0, 4), "bcde");
}

TEST(SystemFilesTest, OpensRefuseAMissingFileAndAFolderWithTheReason) {
  TempDir dir;
  auto platform = NewSystemPlatform(DriveMap{});
  for (const std::string& path : {(dir.path() / "missing").string(), dir.path().string()}) {
    EXPECT_FALSE(platform->OpenFileToRead(path).status().ok()) << path;
    EXPECT_FALSE(platform->OpenFileToUpdate(path).status().ok()) << path;
  }
}

TEST(SystemFilesTest, RenameReplacingPutsTheNewFileInTheOldOnesPlace) {
  TempDir dir;
  const std::string old_file = (dir.path() / "card.img.map").string();
  const std::string new_file = old_file + ".new";
  MakeFile(old_file, "old");
  MakeFile(new_file, "new");
  auto platform = NewSystemPlatform(DriveMap{});
  EXPECT_TRUE(platform->RenameReplacing(new_file, old_file).ok());
  EXPECT_EQ(Content(old_file), "new");
  EXPECT_FALSE(std::filesystem::exists(new_file));
  EXPECT_EQ(platform->RenameReplacing(new_file, old_file).code(), Status::Code::kNotFound);
}

}  // namespace
}  // namespace kvx::testing
