#include "search/explore.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "search/comb_through.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;
using Offsets = std::vector<std::int64_t>;
constexpr std::int64_t kCluster = 32768;  // 64 sectors, as CardImage makes it
constexpr std::int64_t kA = 113152;       // the 1G data region's second cluster

std::string Line(int i, std::int64_t size, std::int64_t at) {
  std::string name = "RECOVER" + std::to_string(i) + ".KVX";
  return name + std::string(20 - name.size(), ' ') + " Size: " + std::to_string(size) + " @" +
         std::to_string(at);
}

// The walk's reads: those after the boot sector and the data-region probe.
Offsets WalkReads(const Card& card, Layout layout) {
  Offsets offsets;
  for (std::size_t i = layout == Layout::kG1 ? 2 : 3; i < card.reads.size(); ++i) {
    EXPECT_EQ(card.reads[i].second, 1536u);
    offsets.push_back(card.reads[i].first);
  }
  return offsets;
}

struct WalkCase {
  const char* name;
  Layout layout;
  std::vector<std::pair<std::int64_t, std::int64_t>> files;  // offset, body length
  Offsets reads;  // the walk's reads; the first ones found the files
  Offsets sizes;  // of the files found
  int sectors_per_cluster = 64;
};

class ExploreWalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(ExploreWalkTest, WalksFromHeaderToHeaderOnClusterBoundaries) {
  const WalkCase& c = GetParam();
  ActionHarness h;
  CardImage image(c.layout, 2 << 20);
  image.PlaceHeader(image.DataRegionOffset(), 0);  // the region marker
  image.SetSectorsPerCluster(c.sectors_per_cluster);
  for (auto [at, body] : c.files) image.PlaceFile(at, static_cast<std::uint32_t>(body));
  Card& card = h.InsertCard(image);
  h.controls.retrieve_enabled = c.sizes.empty();
  Explore(*h.state, h.controls, h.platform);
  std::vector<std::string> lines;
  for (int i = 0; i < static_cast<int>(c.sizes.size()); ++i)
    lines.push_back(Line(i, c.sizes[i], c.reads[i]));
  EXPECT_EQ(h.controls.lines, lines);
  EXPECT_EQ(WalkReads(card, c.layout), c.reads);
  EXPECT_EQ(std::tuple(h.state->FoundFiles.FoundCount(), h.controls.retrieve_enabled,
                       h.platform.open_volumes()),
            std::tuple(std::ssize(lines), !lines.empty(), 0));
}

constexpr std::int64_t kA1 = kA + kCluster, kA2 = kA + 2 * kCluster, kA3 = kA + 3 * kCluster;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cards, ExploreWalkTest, ::testing::Values(
    WalkCase{"WorkedExample", Layout::kG1, {{kA, 256000}}, {kA, 375296}, {257536}},
    WalkCase{"ExactMultiple", Layout::kG1, {{kA, 31232}, {kA1, 0}}, {kA, kA1, kA2}, {32768, 1536}},
    WalkCase{"OneByteOver", Layout::kG1, {{kA, 31233}, {kA2, 0}}, {kA, kA2, kA3}, {32769, 1536}},
    // The first cluster's header does not stand for the second's.
    WalkCase{"NoHeaderAtTheSecondCluster", Layout::kG1, {{kA1, 0}}, {kA}, {}},
    // 64-bit lengths and offsets: the next block is 131073 clusters on, past the end.
    WalkCase{"LargestLengthField", Layout::kG1, {{kA, 0xFFFFFFFF}}, {kA, kA + 131073 * kCluster},
             {4294968831}},
    // No cluster size: the walk starts at the region itself and ends after one file.
    WalkCase{"ClusterSizeZero", Layout::kG1, {{80384, 5000}}, {80384}, {6536}, 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(ExploreTest, ListsAtMost512FilesAndNeverReadsThe513th) {
  ActionHarness h;
  CardImage image(Layout::kG1, 80384 + 520 * 2048);
  image.SetSectorsPerCluster(4);  // 2048-byte clusters
  for (int i = 0; i <= 513; ++i) image.PlaceHeader(80384 + i * 2048, 0);
  Card& card = h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  ASSERT_EQ(h.controls.lines.size(), 512u);
  EXPECT_EQ(h.controls.lines[511], Line(511, 1536, 80384 + 512 * 2048));
  EXPECT_EQ(WalkReads(card, Layout::kG1).size(), 512u);
}

TEST(FoundFileListTest, AFullTableRefusesTheNextFileAndShowsNothingOfIt) {
  ActionHarness h;
  FoundFileList& list = h.state->FoundFiles;
  for (int i = 0; i < FoundFileList::kCapacity; ++i) ASSERT_TRUE(list.Add({}, h.controls));
  EXPECT_FALSE(list.Add({.FileName = "PAST"}, h.controls));
  EXPECT_EQ(list.FoundCount(), FoundFileList::kCapacity);
  EXPECT_EQ(h.controls.lines.size(), static_cast<std::size_t>(FoundFileList::kCapacity));
  EXPECT_EQ(list.Record(FoundFileList::kCapacity), nullptr);
}

// Both header searches: how each early end leaves the window and the state.
struct EarlyEndCase {
  const char* name;
  void (*action)(WindowState&, Controls&, Platform&);
  std::function<void(ActionHarness&)> setup;
  std::string label1, label3;
  bool card_opened;  // the list is emptied once the card is open
};

class EarlyEndTest : public ::testing::TestWithParam<EarlyEndCase> {};

TEST_P(EarlyEndTest, EndsWithTheLabelsAndStateOfItsFailure) {
  const EarlyEndCase& c = GetParam();
  ActionHarness h;
  h.controls.label1 = h.controls.label3 = "old";
  h.controls.retrieve_enabled = h.controls.size_options_visible = true;
  h.state->SizeMode = SizeChoice::kByFat;
  for (int i = 0; i < 7; ++i) h.state->FoundFiles.Add({}, h.controls);  // an earlier search's
  c.setup(h);
  c.action(*h.state, h.controls, h.platform);
  EXPECT_EQ(std::tuple(h.controls.label1, h.controls.label3), std::tuple(c.label1, c.label3));
  EXPECT_EQ(std::tuple(h.controls.LineCount(), h.state->FoundFiles.FoundCount(),
                       h.platform.open_volumes()),
            c.card_opened ? std::tuple(0, 0, 1) : std::tuple(7, 7, 0));
  // Command2 as it was, the options hidden, SizeMode by header and the pointer back.
  EXPECT_EQ(std::tuple(h.controls.retrieve_enabled, h.controls.size_options_visible,
                       h.state->SizeMode, h.controls.busy, h.controls.busy_changes),
            std::tuple(true, false, SizeChoice::kByHeader, false, 2));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Failures, EarlyEndTest, ::testing::Values(
    EarlyEndCase{"ExploreCantOpen", Explore, [](ActionHarness& h) { h.controls.text1 = "F"; },
                 "Skipepd DIR region", "", false},
    EarlyEndCase{"ExploreDataRegionNotFound", Explore,
                 [](ActionHarness& h) { h.InsertCard(CardImage(Layout::kG1, 1 << 20)); },
                 "Skipepd DIR region", "KVX Data Region not found, there is nothing to recover",
                 true},
    EarlyEndCase{"CombLetterTooLow", CombThrough, [](ActionHarness& h) { h.controls.text1 = "c"; },
                 "Skipped DIR region", "", false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace kvx::testing
