// Hostile cards, drives and texts do no harm. On the real file system, each case runs every search and a Retrieve of every
// line on a read-only card image with an old time: nothing crashes, files there
// before keep their bytes, the image its time and mode, and files appear only
// where the case says, none larger than the card.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
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
using Strings = std::vector<std::string>;

constexpr char kTooLow[] = "Sorry, but I think this drive letter is too low to be a SD drive";
constexpr char kCantReadSd[] = "Can't read from SD, please resite the SD and try again";

// Every entry under `root`, relative, with a regular file's bytes.
std::map<std::string, std::string> Listing(const fs::path& root) {
  std::map<std::string, std::string> listing;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string& bytes = listing[fs::relative(entry.path(), root).generic_string()];
    std::ifstream in(entry.is_regular_file() ? entry.path() : "", std::ios::binary);  // no FIFO
    bytes.assign(std::istreambuf_iterator(in), {});
  }
  return listing;
}

// Each case's test directory holds card.img, a FIFO "fifo", and under "out"
// a file "file" and "sub/DATA0001.KVX".
struct HostileCase {
  const char* name;
  std::function<void(CardImage&)> change = [](CardImage&) {};  // to the small card below
  std::string text1 = "E", text2 = "out/";  // Text2 under the test directory
  std::string drive = "card.img";           // what E maps to, under the test directory
  std::string label2 = "SD Name: ";         // in Quick Search's Label2
  Strings messages = {};                    // every message, the test directory left out
  std::string created = {};                 // the files created, under the test directory
  std::function<void(const fs::path&)> arrange = [](const fs::path&) {};  // the test directory
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

// Every search, each followed by a Retrieve of every line it listed; returns
// the messages shown, `prefix` left out.
Strings RunEveryAction(const HostileCase& c, const std::string& prefix) {
  DriveMap drives;
  EXPECT_EQ(drives.Add("E=" + (fs::path(prefix) / c.drive).string()), std::nullopt);
  auto platform = NewSystemPlatform(drives);
  WindowState state;
  Strings messages;
  using Action = void (*)(WindowState&, Controls&, Platform&);
  for (Action search : {Action{QuickSearch}, Action{Explore}, Action{CombThrough}}) {
    MemoryControls controls;
    controls.text1 = c.text1;
    controls.text2 = prefix + c.text2;
    search(state, controls, *platform);
    EXPECT_TRUE(search != QuickSearch || controls.label2.find(c.label2) != std::string::npos)
        << controls.label2;
    for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
    Retrieve(state, controls, *platform);
    for (ShownMessage& m : controls.messages)
      messages.push_back(m.text.starts_with(prefix) ? m.text.substr(prefix.size()) : m.text);
  }
  return messages;
}

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInputTest, NothingCrashesEscapesOrIsInvented) {
  const HostileCase& c = GetParam();
  TempDir dir;
  const fs::path image = dir.path() / "card.img";
  CardImage small(CardImage::Layout::kG2, 200 * 1024);  // the data region found, 2 KiB clusters
  small.SetSectorsPerCluster(4);
  small.PlaceHeader(small.DataRegionOffset(), 0);
  small.PlaceFile(small.ClusterOffset(3), 2000);
  small.AddEntry("DATA0001.KVX", 3, 3536);  // its header says 3536 too
  c.change(small);
  ASSERT_TRUE(small.WriteTo(image.string()));
  fs::create_directories(dir.path() / "out" / "sub");
  std::ofstream(dir.path() / "out" / "file") << "x";
  std::ofstream(dir.path() / "out" / "sub" / "DATA0001.KVX") << "keep";
  ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
  c.arrange(dir.path());
  // An old time, so any write would move it visibly; then no permission to write.
  const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, image.c_str(), old_times, 0), 0);
  ASSERT_EQ(::chmod(image.c_str(), 0444), 0);
  const auto before = Listing(dir.path());

  EXPECT_EQ(RunEveryAction(c, dir.prefix()), c.messages);

  std::set<std::string> created;
  for (const auto& [name, bytes] : Listing(dir.path())) {
    auto old = before.find(name);
    if (old != before.end()) {
      EXPECT_EQ(bytes, old->second) << name;
    } else if (fs::path(name).filename().string().starts_with("kvx-rescue-")) {
      continue;  // a Retrieve's own record, beside what it copied
    } else {
      created.insert(name);
      EXPECT_LE(bytes.size(), small.bytes().size()) << name;
    }
  }
  std::istringstream names(c.created);
  EXPECT_EQ(created, std::set<std::string>(std::istream_iterator<std::string>(names), {}));
  struct stat after {};
  ASSERT_EQ(::stat(image.c_str(), &after), 0);
  EXPECT_EQ(std::tuple(after.st_mtim.tv_sec, after.st_mtim.tv_nsec, after.st_mode & 07777),
            std::tuple(old_times[1].tv_sec, 0L, 0444u));
}

// One message from each search's Retrieve.
const Strings kNoOpen(3, kCantReadSd), kNoCreate(3, "Can't create target file...");
constexpr char kOpen[] = "Can't open SD";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, HostileInputTest, ::testing::ValuesIn(std::vector<HostileCase>{
    // Sizes of 2^31 and 2^32 - 1 and a cluster far past the card's end: each
    // copy stops at the card's end; the walk's step past 2^32 bytes ends it.
    {.name = "LengthsAndOffsetsBeyond2To31And2To32", .change = [](CardImage& image) {
       image.PlaceHeader(image.ClusterOffset(5), 0xFFFFFFFFu);
       image.AddEntry("DHUGE001.KVX", 5, 0x80000000u);
       image.PlaceHeader(image.ClusterOffset(7), 0x7FFFFFFFu - 1536);
       image.AddEntry("DFAR0001.KVX", 0xFFFF, 0xFFFFFFFFu);
     }, .created = "out/DATA0001.KVX out/DHUGE001.KVX out/DFAR0001.KVX out/RECOVER0.KVX "
                   "out/RECOVER1.KVX out/FOUND0.KVX out/FOUND1.KVX out/FOUND2.KVX out/FOUND3.KVX"},
    {.name = "NulBeforeTheLetter", .text1 = std::string("\0E", 2), .label2 = "",
     .messages = {kTooLow, kCantReadSd, kTooLow, kCantReadSd, kTooLow, kCantReadSd}},
    {.name = "Text2UnderAFile", .text2 = "out/file/", .messages = kNoCreate},
    // The system would stop at the NUL and create "out/new" instead.
    {.name = "Text2WithANul", .text2 = std::string("out/new\0/", 9), .messages = kNoCreate},
    {.name = "ExistingTarget", .text2 = "out/sub/",
     .messages = {"out/sub/DATA0001.KVX         exists, please select a different directory"},
     .created = "out/sub/RECOVER0.KVX out/sub/FOUND0.KVX out/sub/FOUND1.KVX"},
    // Followed, the link would put the file outside the target directory.
    {.name = "DanglingSymlinkAtTheTargetName", .messages = {"Can't create target file..."},
     .created = "out/RECOVER0.KVX out/FOUND0.KVX out/FOUND1.KVX",
     .arrange = [](const fs::path& dir) {
       fs::create_symlink(dir / "escaped", dir / "out" / "DATA0001.KVX");
     }},
    {.name = "DriveIsAFifoWithNoWriter", .drive = "fifo", .label2 = kOpen, .messages = kNoOpen}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace kvx::testing
