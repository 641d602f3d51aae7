#include "search/explore.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/search/recording_controls.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;

constexpr std::int64_t kCluster = 32768;  // 64 sectors, as CardImage makes it

// A card whose data region is found: the first cluster begins with a header.
CardImage ExploreCard(Layout layout, std::int64_t length = 2 << 20) {
  CardImage image(layout, length);
  image.PlaceHeader(image.DataRegionOffset(), 0);
  return image;
}

std::int64_t SecondCluster(const CardImage& image) { return image.ClusterOffset(3); }

// The walk's reads: those after the boot sector and the data-region probe.
std::vector<std::int64_t> WalkReads(const Card& card, Layout layout) {
  std::size_t skipped = layout == Layout::G1 ? 2 : 3;
  std::vector<std::int64_t> offsets;
  for (std::size_t i = skipped; i < card.reads.size(); ++i) {
    EXPECT_EQ(card.reads[i].second, 1536u);
    offsets.push_back(card.reads[i].first);
  }
  return offsets;
}

// --- Where the walk starts and how it advances ------------------------------

struct FirstBlockCase {
  Layout layout;
  std::int64_t first_block;
};

class ExploreFirstBlockTest : public ::testing::TestWithParam<FirstBlockCase> {};

TEST_P(ExploreFirstBlockTest, WalkStartsAtTheDataRegionsSecondCluster) {
  RecordingHarness h;
  CardImage image = ExploreCard(GetParam().layout);
  image.PlaceFile(GetParam().first_block, 100);
  Card& card = h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  std::vector<std::int64_t> reads = WalkReads(card, GetParam().layout);
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0], GetParam().first_block);
  EXPECT_EQ(reads[1], GetParam().first_block + kCluster);
  EXPECT_EQ(h.controls.lines, std::vector<std::string>{"RECOVER0.KVX         Size: 1636 @" +
                                                       std::to_string(GetParam().first_block)});
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExploreFirstBlockTest,
                         ::testing::Values(FirstBlockCase{Layout::G1, 113152},
                                           FirstBlockCase{Layout::G2, 174080}));

struct AdvanceCase {
  const char* name;
  std::uint32_t body_length;
  std::int64_t length;   // L
  std::int64_t advance;  // to the next block read
};

class ExploreAdvanceTest : public ::testing::TestWithParam<AdvanceCase> {};

TEST_P(ExploreAdvanceTest, NextBlockIsTheFirstClusterBoundaryAtOrAfterTheFileEnd) {
  RecordingHarness h;
  CardImage image = ExploreCard(Layout::G1);
  std::int64_t start = SecondCluster(image);
  image.PlaceFile(start, GetParam().body_length);
  image.PlaceHeader(start + GetParam().advance, 0);
  Card& card = h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  std::vector<std::int64_t> reads = WalkReads(card, Layout::G1);
  ASSERT_GE(reads.size(), 2u);
  EXPECT_EQ(reads[1], start + GetParam().advance);
  ASSERT_EQ(h.controls.lines.size(), 2u);
  EXPECT_EQ(h.state->found_files[0].SizeByHeader, GetParam().length);
  EXPECT_EQ(h.state->found_files[0].SizeByFat, GetParam().length);
  EXPECT_EQ(h.state->found_files[1].StartOffset, start + GetParam().advance);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ExploreAdvanceTest,
                         ::testing::Values(AdvanceCase{"WorkedExample", 256000, 257536,
                                                       8 * kCluster},
                                           AdvanceCase{"ExactMultiple", 31232, 32768, kCluster},
                                           AdvanceCase{"OneByteOver", 31233, 32769, 2 * kCluster},
                                           AdvanceCase{"OneByteShort", 31231, 32767, kCluster},
                                           AdvanceCase{"HeaderOnly", 0, 1536, kCluster}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExploreTest, WorkedExampleLine) {
  RecordingHarness h;
  CardImage image = ExploreCard(Layout::G1);
  image.PlaceFile(113152, 256000);
  Card& card = h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.lines,
            std::vector<std::string>{"RECOVER0.KVX         Size: 257536 @113152"});
  EXPECT_EQ(WalkReads(card, Layout::G1), (std::vector<std::int64_t>{113152, 375296}));
  EXPECT_EQ(h.controls.label3, "1 KVX File(s) found");
}

// Lengths and offsets are 64-bit; nothing wraps.
TEST(ExploreTest, LargestLengthFieldIsJustALongFile) {
  RecordingHarness h;
  CardImage image = ExploreCard(Layout::G1);
  image.PlaceHeader(113152, 0xFFFFFFFFu);
  Card& card = h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.lines,
            std::vector<std::string>{"RECOVER0.KVX         Size: 4294968831 @113152"});
  // 4294968831 rounds up to 131073 clusters; the read past the card ends the walk.
  EXPECT_EQ(WalkReads(card, Layout::G1),
            (std::vector<std::int64_t>{113152, 113152 + 131073 * kCluster}));
}

// No cluster size, no next boundary.
TEST(ExploreTest, ZeroClusterSizeRecordsTheHeaderFoundAndEndsTheWalk) {
  RecordingHarness h;
  CardImage image = ExploreCard(Layout::G1);
  image.SetSectorsPerCluster(0);
  image.PlaceHeader(80384, 5000);  // the walk starts at the data region itself
  Card& card = h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.lines, std::vector<std::string>{"RECOVER0.KVX         Size: 6536 @80384"});
  EXPECT_EQ(WalkReads(card, Layout::G1), std::vector<std::int64_t>{80384});
  EXPECT_EQ(h.controls.label3, "1 KVX File(s) found");
}

// --- How the walk ends ------------------------------------------------------

TEST(ExploreTest, NoHeaderAtTheSecondClusterFindsNothingEvenWithOneInTheFirst) {
  RecordingHarness h;
  CardImage image(Layout::G1, 2 << 20);
  image.PlaceFile(80384, 1000);  // the first cluster's file: the region marker
  image.PlaceFile(SecondCluster(image) + kCluster, 1000);
  h.InsertCard(image);
  h.controls.lines = {"old line"};
  h.controls.retrieve_enabled = true;
  Explore(*h.state, h.controls, h.platform);
  EXPECT_TRUE(h.controls.lines.empty());
  EXPECT_EQ(h.state->FoundCount, 0);
  EXPECT_EQ(h.controls.label3, "No KVX Files found");
  EXPECT_FALSE(h.controls.retrieve_enabled);
  EXPECT_EQ(h.platform.open_volumes(), 0);
}

TEST(ExploreTest, ListsAtMost512FilesAndNeverReadsThe513th) {
  RecordingHarness h;
  CardImage image(Layout::G1, 80384 + 520 * 2048);
  image.SetSectorsPerCluster(4);  // 2048-byte clusters
  image.PlaceHeader(80384, 0);
  for (int i = 0; i < 513; ++i) image.PlaceHeader(80384 + (i + 1) * 2048, 0);
  Card& card = h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  ASSERT_EQ(h.controls.lines.size(), 512u);
  EXPECT_EQ(h.controls.lines[0], "RECOVER0.KVX         Size: 1536 @82432");
  EXPECT_EQ(h.controls.lines[511],
            "RECOVER511.KVX       Size: 1536 @" + std::to_string(80384 + 512 * 2048));
  EXPECT_EQ(h.state->found_files[511].FileName, "RECOVER511.KVX      ");
  EXPECT_EQ(h.controls.label3, "512 KVX File(s) found");
  EXPECT_EQ(h.state->FoundCount, 512);
  std::vector<std::int64_t> reads = WalkReads(card, Layout::G1);
  EXPECT_EQ(reads.size(), 512u);
  EXPECT_EQ(reads.back(), 80384 + 512 * 2048);
}

struct ChainEndCase {
  const char* name;
  std::int64_t card_length;  // past the data region's first cluster
  int files;
};

class ExploreChainEndTest : public ::testing::TestWithParam<ChainEndCase> {};

// Three one-cluster files laid end to end from the second cluster.
TEST_P(ExploreChainEndTest, ReadAtOrPastTheVolumesEndEndsTheWalkNormally) {
  RecordingHarness h;
  CardImage image = ExploreCard(Layout::G1, 80384 + kCluster + GetParam().card_length);
  for (int i = 0; i < 3; ++i) image.PlaceFile(SecondCluster(image) + i * kCluster, 20000);
  h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.state->FoundCount, GetParam().files);
  EXPECT_EQ(h.controls.lines.size(), static_cast<std::size_t>(GetParam().files));
  EXPECT_EQ(h.controls.label3, std::to_string(GetParam().files) + " KVX File(s) found");
  EXPECT_EQ(h.platform.open_volumes(), 0);
  EXPECT_FALSE(h.controls.busy);
}

INSTANTIATE_TEST_SUITE_P(Ends, ExploreChainEndTest,
                         ::testing::Values(ChainEndCase{"ExactlyAtTheEnd", 3 * kCluster, 3},
                                           ChainEndCase{"LastHeaderWhole", 2 * kCluster + 1536, 3},
                                           ChainEndCase{"LastHeaderCut", 2 * kCluster + 1535, 2},
                                           ChainEndCase{"PastTheEnd", 3 * kCluster + 1000, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

struct NearMissCase {
  const char* name;
  int at;
  std::uint8_t value;
};

class ExploreNearMissTest : public ::testing::TestWithParam<NearMissCase> {};

TEST_P(ExploreNearMissTest, BlockThatFailsTheHeaderTestEndsTheWalk) {
  RecordingHarness h;
  CardImage image = ExploreCard(Layout::G1);
  std::int64_t start = SecondCluster(image);
  image.PlaceFile(start, 1000);
  image.PlaceFile(start + kCluster, 1000);
  image.PlaceFile(start + 2 * kCluster, 1000);
  image.SetByte(start + kCluster + GetParam().at, GetParam().value);
  h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.state->FoundCount, 1);
  EXPECT_EQ(h.controls.label3, "1 KVX File(s) found");
}

INSTANTIATE_TEST_SUITE_P(Bytes, ExploreNearMissTest,
                         ::testing::Values(NearMissCase{"Byte1535Zero", 1535, 0x00},
                                           NearMissCase{"Byte1534Off", 1534, 0x02},
                                           NearMissCase{"Byte7Is4", 7, 0x04},
                                           NearMissCase{"Byte6Set", 6, 0x06}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExploreTest, UnrecognisedCardIsWalkedAlike) {
  RecordingHarness h;
  CardImage image = ExploreCard(Layout::G2);
  image.SetSignature("OTHERSD!");
  image.PlaceFile(174080, 0);
  h.InsertCard(image);
  Explore(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.label2.rfind("SD Name: OTHERSD!", 0), 0u);
  EXPECT_EQ(h.controls.lines, std::vector<std::string>{"RECOVER0.KVX         Size: 1536 @174080"});
}

// --- The order of what the window shows -------------------------------------

TEST(ExploreTest, PreparationPrologueProbeWalkAndClosingInOrder) {
  RecordingHarness h;
  CardImage image = ExploreCard(Layout::G1);
  image.PlaceFile(113152, 10000);
  h.InsertCard(image);
  h.state->SizeMode = 1;
  h.state->found_files[0].StartCluster = 77;
  h.controls.size_options_visible = true;
  Explore(*h.state, h.controls, h.platform);
  std::vector<std::string> expected = {
      "Busy",
      "Label1=Skipepd DIR region",
      "Label2=",
      "HideOptions",
      "Label3=",
      "Label2=" + h.controls.label2,
      "ClearList",
      "Label3=KVX Data Region (1G) found",
      "Append RECOVER0.KVX         Size: 11536 @113152",
      "Label3=1 KVX File(s) found",
      "EnableCommand2",
      "Default",
  };
  EXPECT_EQ(h.controls.events, expected);
  EXPECT_EQ(h.controls.label2.rfind("This is a ZENTO SD\r\n\r\nZENTO Firmware: 1G", 0), 0u);
  EXPECT_EQ(h.state->SizeMode, 0);
  EXPECT_EQ(h.state->FoundCount, 1);
  const FoundFile& file = h.state->found_files[0];
  EXPECT_EQ(file.FileName, "RECOVER0.KVX        ");
  EXPECT_EQ(file.StartOffset, 113152);
  EXPECT_EQ(file.SizeByFat, 11536);
  EXPECT_EQ(file.SizeByHeader, 11536);
  EXPECT_EQ(file.StartCluster, 77);  // not written by Explore
  EXPECT_EQ(h.platform.open_volumes(), 0);
}

// --- Early ends: each with its labels and state --------------------

constexpr char kReport[] = "<the card report>";

struct EarlyEndCase {
  const char* name;
  std::function<void(RecordingHarness&)> setup;
  const char* label1;
  const char* label2;  // kReport: the card report
  const char* label3;
  bool list_emptied;
  int found_count;
  bool card_open;
  int messages;
};

class ExploreEarlyEndTest : public ::testing::TestWithParam<EarlyEndCase> {};

TEST_P(ExploreEarlyEndTest, EndsWithTheLabelsAndStateItsTableGives) {
  const EarlyEndCase& c = GetParam();
  RecordingHarness h;
  h.controls.label1 = "old 1";
  h.controls.label2 = "old 2";
  h.controls.label3 = "old 3";
  h.controls.lines = {"old line"};
  h.controls.retrieve_enabled = true;
  h.controls.size_options_visible = true;
  h.state->SizeMode = 1;
  h.state->FoundCount = 7;
  c.setup(h);
  Explore(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.label1, c.label1);
  if (c.label2 == kReport) {
    EXPECT_EQ(h.controls.label2.rfind("This is a ZENTO SD", 0), 0u);
  } else {
    EXPECT_EQ(h.controls.label2, c.label2);
  }
  EXPECT_EQ(h.controls.label3, c.label3);
  EXPECT_EQ(h.controls.lines.empty(), c.list_emptied);
  EXPECT_EQ(h.state->FoundCount, c.found_count);
  EXPECT_TRUE(h.controls.retrieve_enabled);  // unchanged on every early end
  EXPECT_EQ(h.platform.open_volumes(), c.card_open ? 1 : 0);
  EXPECT_EQ(h.controls.messages.size(), static_cast<std::size_t>(c.messages));
  EXPECT_FALSE(h.controls.size_options_visible);
  EXPECT_EQ(h.state->SizeMode, 0);
  EXPECT_FALSE(h.controls.busy);
  EXPECT_EQ(h.controls.busy_changes, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ExploreEarlyEndTest,
    ::testing::Values(
        EarlyEndCase{"DriveLetterTooLow", [](RecordingHarness& h) { h.controls.text1 = "c"; },
                     "Skipepd DIR region", "", "", false, 7, false, 1},
        EarlyEndCase{"CantOpen", [](RecordingHarness& h) { h.controls.text1 = "F"; },
                     "Skipepd DIR region", "Can't open SD", "", false, 7, false, 0},
        EarlyEndCase{"CantRead", [](RecordingHarness& h) { h.InsertBytes({}); },
                     "Skipepd DIR region", "Can't read SD", "", false, 0, true, 0},
        EarlyEndCase{"DataRegionShort",
                     [](RecordingHarness& h) { h.InsertCard(CardImage(Layout::G1, 81000)); },
                     "Trouble reading KVX data region", kReport, "", true, 0, true, 0},
        EarlyEndCase{"DataRegionShortAt2G",
                     [](RecordingHarness& h) { h.InsertCard(CardImage(Layout::G2, 142000)); },
                     "Trouble reading KVX data region", kReport, "", true, 0, true, 0},
        EarlyEndCase{"DataRegionNotFound",
                     [](RecordingHarness& h) { h.InsertCard(CardImage(Layout::G1, 1 << 20)); },
                     "Skipepd DIR region", kReport,
                     "KVX Data Region not found, there is nothing to recover", true, 0, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvx::testing
