// Text2 on the real file system: a directory typed without its final "/" takes
// the files in; a text that names no directory is the start of each name.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "controls/memory_controls.h"
#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "search/quick_search.h"
#include "tests/support/temp_dir.h"
#include "tools/card_image/card_image.h"

namespace kvx::testing {
namespace {

namespace fs = std::filesystem;

struct TargetCase {
  const char* text2;    // under the test directory, which holds "out/"
  const char* created;  // the file Retrieve makes, under the test directory
};

class TargetDirectoryPosixTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetDirectoryPosixTest, CreatesTheFileWhereText2Leads) {
  TempDir dir;
  fs::create_directory(dir.path() / "out");
  CardImage image(CardImage::Layout::kG1, 200000);
  image.PlaceFile(image.ClusterOffset(3), 1000);
  image.AddEntry("DATA0001.KVX", 3, 2536);
  ASSERT_TRUE(image.WriteTo((dir.path() / "card.img").string()));
  DriveMap drives;
  ASSERT_FALSE(drives.Add("E=" + (dir.path() / "card.img").string()).has_value());
  auto platform = NewSystemPlatform(drives);
  WindowState state;
  MemoryControls controls;
  QuickSearch(state, controls, *platform);
  ASSERT_EQ(controls.lines.size(), 1u);
  controls.Select(0);
  controls.text2 = dir.prefix() + GetParam().text2;
  Retrieve(state, controls, *platform);
  EXPECT_TRUE(controls.messages.empty());
  EXPECT_EQ(fs::file_size(dir.path() / GetParam().created), 2536u);
}

INSTANTIATE_TEST_SUITE_P(Texts, TargetDirectoryPosixTest,
                         ::testing::Values(TargetCase{"out", "out/DATA0001.KVX"},
                                           TargetCase{"out/", "out/DATA0001.KVX"},
                                           TargetCase{"out/x", "out/xDATA0001.KVX"}));

}  // namespace
}  // namespace kvx::testing
