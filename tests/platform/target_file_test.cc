// The system's own files: a target mended in place (a positioned write
// replaces bytes written before, the next plain write still goes to the end),
// an existing file continued or read back, and a file replaced in one step.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/system_platform.h"
#include "tests/support/byte_text.h"
#include "tests/support/temp_dir.h"

namespace kvx::testing {
namespace {

std::span<const std::byte> Bytes(std::string_view text) { return std::as_bytes(std::span(text)); }


// A positioned write replaces bytes written before and the next plain write
// still goes to the end, in a new file and in one opened to be updated.
TEST(SystemFilesTest, WriteAtReplacesBytesAndWriteStillAppends) {
  TempDir dir;
  const std::string path = (dir.path() / "card.img").string();
  auto platform = NewSystemPlatform(DriveMap{});
  {
    auto file = platform->CreateNewFile(path).value_or(nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->Write(Bytes("abcdef")).ok());
    EXPECT_TRUE(file->WriteAt(1, Bytes("XY")).ok());
    EXPECT_TRUE(file->Write(Bytes("g")).ok());
    EXPECT_TRUE(file->WriteAt(6, Bytes("Z")).ok());
  }
  EXPECT_EQ(FileText(path), "aXYdefZ");
  {
    auto file = platform->OpenFileToUpdate(path).value_or(nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->Write(Bytes("de")).ok());
    EXPECT_TRUE(file->WriteAt(0, Bytes("b")).ok());
    EXPECT_TRUE(file->Sync().ok());
  }
  EXPECT_EQ(FileText(path), "bXYdefZde");
  auto read = platform->OpenFileToRead(path).value_or(nullptr);
  ASSERT_NE(read, nullptr);
  std::string back(12, '.');
  EXPECT_EQ(read->Read(5, std::as_writable_bytes(std::span(back))).delivered, 4u);
  EXPECT_EQ(back.substr(0, 4), "fZde");
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
  std::ofstream(old_file) << "old";
  std::ofstream(new_file) << "new";
  auto platform = NewSystemPlatform(DriveMap{});
  EXPECT_TRUE(platform->RenameReplacing(new_file, old_file).ok());
  EXPECT_EQ(FileText(old_file), "new");
  EXPECT_FALSE(std::filesystem::exists(new_file));
  EXPECT_EQ(platform->RenameReplacing(new_file, old_file).code(), Status::Code::kNotFound);
}

}  // namespace
}  // namespace kvx::testing
