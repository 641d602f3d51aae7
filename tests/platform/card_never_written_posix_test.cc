// The card is only ever read: every action, Retrieve included, leaves a card
// image's bytes and modification time as they were, the raw volume's
// descriptor is open for reading only, and a drive mapped to something that
// is no card (a directory, a FIFO, /dev/null, nothing) ends in the prologue's
// messages without hanging.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
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

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<Platform> PlatformWith(const std::string& drive_e) {
  DriveMap drives;
  EXPECT_EQ(drives.Add("E=" + drive_e), std::nullopt);
  return NewSystemPlatform(drives);
}

TEST(CardNeverWrittenPosixTest, EveryActionLeavesAReadOnlyImagesBytesAndTimeAlone) {
  TempDir dir;
  const fs::path image_path = dir.path() / "card.img";
  CardImage image(CardImage::Layout::G2, 256 * 1024);
  image.SetSectorsPerCluster(4);
  image.PlaceHeader(image.DataRegionOffset(), 0);
  image.PlaceFile(image.ClusterOffset(3), 3000);
  image.AddEntry("DATA0001.KVX", 3, 4536);
  image.PlaceFile(image.ClusterOffset(6), 100);
  image.AddEntry("DATA0002.KVX", 6, 9000, /*deleted=*/true);
  ASSERT_TRUE(image.WriteTo(image_path.string()));
  fs::create_directory(dir.path() / "out");
  // An old time, so any write would move it visibly; then no permission to write.
  const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, image_path.c_str(), old_times, 0), 0);
  ASSERT_EQ(::chmod(image_path.c_str(), 0444), 0);
  struct stat before {};
  ASSERT_EQ(::stat(image_path.c_str(), &before), 0);
  const std::string bytes_before = ReadWhole(image_path);

  auto platform = PlatformWith(image_path.string());
  WindowState state;
  int created = 0;
  using Action = void (*)(WindowState&, Controls&, Platform&);
  for (Action search : {Action{QuickSearch}, Action{Explore}, Action{CombThrough}}) {
    MemoryControls controls;
    controls.text2 = (dir.path() / "out" / "").string() + std::to_string(created) + "-";
    search(state, controls, *platform);
    for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
    Retrieve(state, controls, *platform);
    EXPECT_TRUE(controls.messages.empty()) << controls.messages[0].text;
    created += controls.LineCount();
  }
  state.card.VolumeHandle.reset();

  EXPECT_EQ(created, 2 + 2 + 3);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "out"), fs::directory_iterator()),
            created);
  struct stat after {};
  ASSERT_EQ(::stat(image_path.c_str(), &after), 0);
  EXPECT_EQ(ReadWhole(image_path), bytes_before);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mode & 07777, 0444u);
}

// The descriptor's own access mode, as Linux reports it, so the check holds
// even for root, whom file permissions do not stop.
TEST(CardNeverWrittenPosixTest, TheRawVolumeIsOpenForReadingOnly) {
  if (!fs::exists("/proc/self/fdinfo")) GTEST_SKIP() << "no /proc/self/fdinfo here";
  TempDir dir;
  const fs::path image_path = dir.path() / "card.img";
  ASSERT_TRUE(CardImage(CardImage::Layout::G1, 4096).WriteTo(image_path.string()));
  auto volume = PlatformWith(image_path.string())->OpenVolume("E");
  ASSERT_NE(volume, nullptr);

  int descriptors_on_the_image = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (fs::read_symlink(entry.path(), error) != image_path) continue;
    ++descriptors_on_the_image;
    std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
    std::string key;
    long flags = -1;
    while (info >> key) {
      if (key == "flags:") info >> std::oct >> flags;
    }
    ASSERT_GE(flags, 0);
    EXPECT_EQ(flags & O_ACCMODE, O_RDONLY);
  }
  EXPECT_EQ(descriptors_on_the_image, 1);
}

struct OddPathCase {
  const char* what;
  std::function<std::string(const fs::path&)> make;  // the path drive E maps to
  const char* label2;
};

void PrintTo(const OddPathCase& c, std::ostream* os) { *os << c.what; }

class OddDrivePathTest : public ::testing::TestWithParam<OddPathCase> {};

TEST_P(OddDrivePathTest, SomethingThatIsNoCardEndsInThePrologue) {
  TempDir dir;
  auto platform = PlatformWith(GetParam().make(dir.path()));
  WindowState state;
  MemoryControls controls;
  QuickSearch(state, controls, *platform);
  EXPECT_EQ(controls.label2, GetParam().label2);
  EXPECT_TRUE(controls.lines.empty());
  state.card.VolumeHandle.reset();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OddDrivePathTest,
    ::testing::Values(
        OddPathCase{"directory", [](const fs::path& d) { return d.string(); }, "Can't open SD"},
        OddPathCase{"fifo with no writer",
                    [](const fs::path& d) {
                      std::string fifo = (d / "fifo").string();
                      EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
                      return fifo;
                    },
                    "Can't open SD"},
        OddPathCase{"dev null", [](const fs::path&) { return std::string("/dev/null"); },
                    "Can't read SD"},
        OddPathCase{"missing file", [](const fs::path& d) { return (d / "none.img").string(); },
                    "Can't open SD"}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& c : name) c = c == ' ' ? '_' : c;
      return name;
    });

}  // namespace
}  // namespace kvx::testing
