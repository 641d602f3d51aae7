// The card is never left open behind the window's back. On the real system,
// counted in /proc/self/fd: each search leaves the card open only where it
// ends early (it stays in the window's state until the next action opens the
// card again); Retrieve closes it on every path; a new open never keeps the
// old descriptor; and when the window's state goes, no descriptor is left.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "controls/memory_controls.h"
#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "tests/support/temp_dir.h"
#include "tools/card_image/card_image.h"

namespace kvx::testing {
namespace {

namespace fs = std::filesystem;

// Descriptors of this process open on `path`.
int DescriptorsOn(const fs::path& path) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (fs::read_symlink(entry.path(), error) == path) ++count;
  }
  return count;
}

using Action = void (*)(WindowState&, Controls&, Platform&);

struct DescriptorCase {
  const char* name;
  Action search;
  bool data_region = true;   // a header at the data region, where the probes look
  std::int64_t length = -1;  // the image cut short here; -1: whole
  bool write_image = true;   // false: drive E names a missing file
  int open_after_search = 0;
};

void PrintTo(const DescriptorCase& c, std::ostream* os) { *os << c.name; }

class CardDescriptorTest : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(CardDescriptorTest, OnlyAnEarlyEndKeepsTheCardOpenAndNothingOutlivesTheState) {
  if (!fs::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc/self/fd here";
  const DescriptorCase& c = GetParam();
  TempDir dir;
  const fs::path image_path = dir.path() / "card.img";
  CardImage image(CardImage::Layout::kG2, 200 * 1024);
  if (c.data_region) image.PlaceHeader(image.DataRegionOffset(), 0);
  image.PlaceFile(image.ClusterOffset(3), 2000);
  image.AddEntry("DATA0001.KVX", 3, 3536);
  std::vector<std::byte> bytes = image.bytes();
  if (c.length >= 0) bytes.resize(static_cast<std::size_t>(c.length));
  if (c.write_image) {
    std::ofstream(image_path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  DriveMap drives;
  ASSERT_EQ(drives.Add("E=" + image_path.string()), std::nullopt);
  auto platform = NewSystemPlatform(drives);
  auto state = std::make_unique<WindowState>();
  MemoryControls controls;
  controls.text1 = "E";
  controls.text2 = dir.prefix();

  for (int round = 0; round < 2; ++round) {  // the second open replaces what the first left
    c.search(*state, controls, *platform);
    EXPECT_EQ(DescriptorsOn(image_path), c.open_after_search) << "round " << round;
  }
  for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
  Retrieve(*state, controls, *platform);
  EXPECT_EQ(DescriptorsOn(image_path), 0) << "after Retrieve";
  c.search(*state, controls, *platform);
  state.reset();  // as the window's unload
  EXPECT_EQ(DescriptorsOn(image_path), 0) << "after the state went";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ends, CardDescriptorTest, ::testing::Values(
    DescriptorCase{"QuickSearchFindsTheDataRegion", QuickSearch},
    DescriptorCase{"QuickSearchWithoutDataRegion", QuickSearch, false, -1, true, 1},
    DescriptorCase{"QuickSearchOnAnEmptyCard", QuickSearch, true, 0, true, 1},
    DescriptorCase{"QuickSearchOnAMissingCard", QuickSearch, true, -1, false, 0},
    DescriptorCase{"ExploreWalksTheCard", Explore},
    DescriptorCase{"ExploreWithoutDataRegion", Explore, false, -1, true, 1},
    DescriptorCase{"ExploreOnAnEmptyCard", Explore, true, 0, true, 1},
    DescriptorCase{"CombThroughCombsTheCard", CombThrough},
    DescriptorCase{"CombThroughOnAnEmptyCard", CombThrough, true, 0, true, 1},
    DescriptorCase{"CombThroughOnAMissingCard", CombThrough, true, -1, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace kvx::testing
