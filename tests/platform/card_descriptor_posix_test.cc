// The card is never left open behind the window's back, nor open to be
// written. On the real system, counted in /proc/self/fd: a volume reads only
// and closes its descriptor; a search that ends early leaves the card open in
// the window's state until the next action opens it again; Retrieve closes
// it; when the state goes, nothing is left.
// (Which ends keep the card open: the search tests, on the in-memory card.)
#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "controls/memory_controls.h"
#include "platform/system_platform.h"
#include "retrieve/retrieve.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "tests/support/temp_dir.h"
#include "tools/card_image/card_image.h"

namespace kvx::testing {
namespace {

namespace fs = std::filesystem;

// The numbers of this process's descriptors open on `path`.
std::vector<std::string> DescriptorNumbersOn(const fs::path& path) {
  std::vector<std::string> numbers;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (fs::read_symlink(entry.path(), error) == path) numbers.push_back(entry.path().filename());
  }
  return numbers;
}

int DescriptorsOn(const fs::path& path) { return static_cast<int>(DescriptorNumbersOn(path).size()); }

using Action = void (*)(WindowState&, Controls&, Platform&);

// A card without a data region, so that each Quick Search ends early and
// leaves it open in the window's state.
TEST(CardDescriptorPosixTest, NoDescriptorOutlivesItsVolumeOrTheWindowsState) {
  if (!fs::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc/self/fd here";
  TempDir dir;
  const fs::path image_path = dir.path() / "card.img";
  CardImage image(CardImage::Layout::kG2, 200 * 1024);
  image.PlaceFile(image.ClusterOffset(3), 2000);
  image.AddEntry("DATA0001.KVX", 3, 3536);
  ASSERT_TRUE(image.WriteTo(image_path.string()));
  DriveMap drives;
  ASSERT_EQ(drives.Add("E=" + image_path.string()), std::nullopt);
  auto platform = NewSystemPlatform(drives);
  {
    auto volume = platform->OpenVolume("E");
    ASSERT_TRUE(volume.ok());
    const std::vector<std::string> open = DescriptorNumbersOn(image_path);
    ASSERT_EQ(open.size(), 1u);
    // The card is only ever read: the descriptor's own access mode, as Linux
    // reports it, holds even for root, whom file permissions do not stop.
    std::ifstream info("/proc/self/fdinfo/" + open[0]);
    std::string key;
    long flags = -1;
    while (info >> key && key != "flags:") continue;
    info >> std::oct >> flags;
    EXPECT_EQ(flags & O_ACCMODE, O_RDONLY) << flags;
  }
  EXPECT_EQ(DescriptorsOn(image_path), 0) << "after the volume went";
  auto state = std::make_unique<WindowState>();
  MemoryControls controls;
  controls.text1 = "E";
  controls.text2 = dir.prefix();
  for (Action search : {QuickSearch, Explore, QuickSearch}) {
    search(*state, controls, *platform);  // each open replaces what the last left
    EXPECT_EQ(DescriptorsOn(image_path), 1);
  }
  for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
  Retrieve(*state, controls, *platform);
  EXPECT_EQ(DescriptorsOn(image_path), 0) << "after Retrieve";
  QuickSearch(*state, controls, *platform);
  state.reset();  // as the window's unload
  EXPECT_EQ(DescriptorsOn(image_path), 0) << "after the state went";
}

}  // namespace
}  // namespace kvx::testing
