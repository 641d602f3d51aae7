// Hostile cards and texts, end to end on the real file system: each case runs
// Quick Search, Explore and Comb Through, each followed by Retrieve of every
// line. Whatever the card or the texts hold, nothing crashes, the card image
// keeps its bytes, no file appears outside the target directory, and no
// recovered file holds more than the card had.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
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
using Layout = CardImage::Layout;
using Bytes = std::vector<std::byte>;

constexpr char kTooLow[] = "Sorry, but I think this drive letter is too low to be a SD drive";
constexpr char kCantReadSd[] = "Can't read from SD, please resite the SD and try again";
constexpr char kCantCreate[] = "Can't create target file...";

struct HostileRun {
  std::string quick_label2;
  std::vector<std::vector<std::string>> lines;  // per search
  std::vector<std::string> messages;            // every message box, in order
  std::set<std::string> listing;                // the test directory, relative
};

struct HostileCase {
  const char* what;
  std::function<Bytes()> card;
  std::string text1 = "E";
  std::string text2 = "out/";  // under the test directory
  std::function<void(const fs::path&)> prepare = [](const fs::path&) {};
  std::function<void(const HostileRun&)> expect;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.what; }

// A 2G card of 2 KiB clusters whose data region is found; `change` adds to it.
Bytes SmallCard(const std::function<void(CardImage&)>& change = [](CardImage&) {}) {
  CardImage image(Layout::G2, 200 * 1024);
  image.SetSectorsPerCluster(4);
  image.PlaceHeader(image.DataRegionOffset(), 0);
  image.PlaceFile(image.ClusterOffset(3), 2000);
  image.AddEntry("DATA0001.KVX", 3, 3536);
  change(image);
  return image.bytes();
}

void SetNameBytes(CardImage& image, int slot, std::string_view name_bytes) {
  std::int64_t at = image.EntryRegionOffset() + 32 * slot + 1;  // after byte 0, never shown
  for (char c : name_bytes) image.SetByte(at++, static_cast<std::uint8_t>(c));
}

std::vector<std::string> Repeat(const std::string& text, int times) {
  return std::vector<std::string>(static_cast<std::size_t>(times), text);
}

// A List1 line: the name in its 20 characters, then the rest.
std::string Line(std::string name, const std::string& rest) {
  name.resize(20, ' ');
  return name + " " + rest;
}

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInputTest, NothingCrashesEscapesOrIsInvented) {
  const HostileCase& c = GetParam();
  TempDir dir;
  const fs::path image = dir.path() / "card.img";
  const Bytes card = c.card();
  std::ofstream(image, std::ios::binary)
      .write(reinterpret_cast<const char*>(card.data()), static_cast<std::streamsize>(card.size()));
  fs::create_directory(dir.path() / "out");
  c.prepare(dir.path());
  const std::string card_before = ReadWhole(image);

  DriveMap drives;
  ASSERT_EQ(drives.Add("E=" + image.string()), std::nullopt);
  auto platform = NewSystemPlatform(drives);
  WindowState state;
  HostileRun run;
  using Action = void (*)(WindowState&, Controls&, Platform&);
  for (Action search : {Action{QuickSearch}, Action{Explore}, Action{CombThrough}}) {
    MemoryControls controls;
    controls.text1 = c.text1;
    controls.text2 = dir.prefix() + c.text2;
    search(state, controls, *platform);
    if (search == QuickSearch) run.quick_label2 = controls.label2;
    run.lines.push_back(controls.lines);
    for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
    Retrieve(state, controls, *platform);
    for (const ShownMessage& message : controls.messages) run.messages.push_back(message.text);
  }
  state.card.VolumeHandle.reset();

  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    std::string relative = fs::relative(entry.path(), dir.path()).generic_string();
    run.listing.insert(relative);
    if (relative == "card.img" || relative == "out") continue;
    EXPECT_EQ(relative.rfind("out/", 0), 0u) << relative;
    if (entry.is_regular_file()) {
      EXPECT_LE(entry.file_size(), card.size()) << relative;
    }
  }
  EXPECT_EQ(ReadWhole(image), card_before);
  c.expect(run);
}

// Cases that read the card as "E" and then meet odd target texts.
HostileCase Text2Case(const char* what, std::string text2, std::set<std::string> listing,
                      bool created) {
  return {what,
          [] { return SmallCard(); },
          "E",
          std::move(text2),
          [](const fs::path& d) { std::ofstream(d / "out" / "file") << "x"; },
          [listing, created](const HostileRun& run) {
            EXPECT_EQ(run.listing, listing);
            EXPECT_EQ(run.messages, created ? std::vector<std::string>{} : Repeat(kCantCreate, 3));
          }};
}

// Odd Text1 texts with drive E mapped: each search ends in its prologue,
// with `search_message` or Label2 `label2`, and Retrieve cannot open the card.
HostileCase Text1Case(const char* what, std::string text1, const char* label2, bool too_low) {
  return {what,
          [] { return SmallCard(); },
          std::move(text1),
          "out/",
          [](const fs::path&) {},
          [label2, too_low](const HostileRun& run) {
            EXPECT_EQ(run.quick_label2, label2);
            std::vector<std::string> one_search =
                too_low ? std::vector<std::string>{kTooLow, kCantReadSd}
                        : std::vector<std::string>{kCantReadSd};
            std::vector<std::string> all;
            for (int i = 0; i < 3; ++i) all.insert(all.end(), one_search.begin(), one_search.end());
            EXPECT_EQ(run.messages, all);
            EXPECT_EQ(run.listing, (std::set<std::string>{"card.img", "out"}));
          }};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileInputTest,
    ::testing::Values(
        HostileCase{"names with separators dots control and high bytes",
                    [] {
                      return SmallCard([](CardImage& image) {
                        image.PlaceFile(image.ClusterOffset(5), 10);
                        SetNameBytes(image, image.AddEntry("X.KVX", 5, 1546), "/../../KVX");
                        SetNameBytes(image, image.AddEntry("Y.KVX", 5, 1546),
                                     "\x01\x7F\xE9\x81\\ab\x1F..");
                      });
                    },
                    "E", "out/", [](const fs::path&) {},
                    [](const HostileRun& run) {
                      ASSERT_EQ(run.lines[0].size(), 3u);
                      EXPECT_TRUE(run.messages.empty());
                      EXPECT_TRUE(run.listing.count("out/D_.._.._.KVX"));
                      EXPECT_TRUE(run.listing.count("out/D__\xC3\xA9\xC2\x81_ab._.."));
                    }},
        HostileCase{
            "lengths and offsets beyond 2^31 and 2^32",
            [] {
              return SmallCard([](CardImage& image) {
                image.PlaceHeader(image.ClusterOffset(5), 0xFFFFFFFFu);
                image.AddEntry("DHUGE001.KVX", 5, 0x80000000u);
                image.PlaceHeader(image.ClusterOffset(7), 0x7FFFFFFFu - 1536);
                image.AddEntry("DFAR0001.KVX", 0xFFFF, 0xFFFFFFFFu);
              });
            },
            "E", "out/", [](const fs::path&) {},
            [](const HostileRun& run) {
              EXPECT_TRUE(run.messages.empty());
              std::int64_t far = (0xFFFF - 2) * 2048 + 141312;
              EXPECT_EQ(run.lines[0],
                        (std::vector<std::string>{
                            Line("DATA0001.KVX", "Size: 3536 @143360"),
                            Line("DHUGE001.KVX", "SizeH: 4294968831 or SizeF: 2147483648 @147456"),
                            Line("DFAR0001.KVX", "Size: 4294967295 @" + std::to_string(far))}));
              // The walk's step past 2^32 bytes ends it at the card's end.
              EXPECT_EQ(run.lines[1].size(), 2u);
              EXPECT_EQ(run.lines[2].size(), 4u);
            }},
        HostileCase{"sectors per cluster 0",
                    [] {
                      CardImage image(Layout::G1, 120 * 1024);
                      image.SetSectorsPerCluster(0);
                      image.PlaceFile(image.DataRegionOffset(), 600);
                      image.AddEntry("DATA0001.KVX", 9, 2136);
                      return image.bytes();
                    },
                    "E", "out/", [](const fs::path&) {},
                    [](const HostileRun& run) {
                      EXPECT_EQ(run.lines[0], std::vector<std::string>{
                                                  Line("DATA0001.KVX", "Size: 2136 @80384")});
                      EXPECT_EQ(run.lines[1], std::vector<std::string>{
                                                  Line("RECOVER0.KVX", "Size: 2136 @80384")});
                      EXPECT_TRUE(run.messages.empty());
                    }},
        HostileCase{"a boot sector of 1 byte", [] { return Bytes{std::byte{0xEB}}; }, "E", "out/",
                    [](const fs::path&) {},
                    [](const HostileRun& run) {
                      EXPECT_EQ(run.quick_label2.rfind("SD Name: ", 0), 0u);
                      EXPECT_EQ(run.lines, (std::vector<std::vector<std::string>>(3)));
                      EXPECT_TRUE(run.messages.empty());
                    }},
        HostileCase{"an image of 0 bytes", [] { return Bytes{}; }, "E", "out/",
                    [](const fs::path&) {},
                    [](const HostileRun& run) {
                      EXPECT_EQ(run.quick_label2, "Can't read SD");
                      EXPECT_TRUE(run.messages.empty());
                    }},
        Text1Case("an empty drive letter", "", "", true),
        Text1Case("a NUL before the letter", std::string("\0E", 2), "", true),
        Text1Case("a bracket", "[", "Can't open SD", false),
        Text1Case("a backslash", "\\", "Can't open SD", false),
        Text1Case("a multibyte letter", "\xC3\x89", "Can't open SD", false),
        Text1Case("a lone lead byte", "\xF0", "Can't open SD", false),
        Text2Case("Text2 naming a file", "out/file",
                  {"card.img", "out", "out/file", "out/fileDATA0001.KVX", "out/fileRECOVER0.KVX",
                   "out/fileFOUND0.KVX", "out/fileFOUND1.KVX"},
                  true),
        Text2Case("Text2 under a file", "out/file/", {"card.img", "out", "out/file"}, false),
        Text2Case("Text2 under a file and a missing directory", "out/file/sub/",
                  {"card.img", "out", "out/file"}, false),
        Text2Case("Text2 of 4000 characters", "out/" + std::string(3995, 'a') + "/",
                  {"card.img", "out", "out/file"}, false),
        // The system would stop at the NUL and create "out/new" instead.
        Text2Case("Text2 with a NUL", std::string("out/new\0/", 9), {"card.img", "out", "out/file"},
                  false)),
    [](const auto& info) {
      std::string name;
      for (char c : std::string(info.param.what)) {
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
      }
      return name;
    });

}  // namespace
}  // namespace kvx::testing
