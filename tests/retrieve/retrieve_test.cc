#include "retrieve/retrieve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <set>
#include <utility>

#include "search/quick_search.h"
#include "tests/retrieve/retrieve_test_support.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

constexpr char kExists[] = " exists, please select a different directory";
constexpr char kCantWrite[] = "Can't write target file...";
constexpr char kCantRead[] = "Can't read from SD, please resite the SD and try again";
constexpr std::int64_t kCardLength = 40 * 512 + 300;  // ends mid-sector

// A card of kCardLength pattern bytes in E and seven listed files, FILE0 to
// FILE6, each 1000 bytes long at sector 2 * line, with Text2 "out/".
struct RetrieveTest : ::testing::Test {
  ActionHarness h;
  std::vector<std::byte> card = PatternBytes(kCardLength);

  RetrieveTest() {
    h.InsertBytes(card);
    h.controls.text2 = "out/";
    for (int line = 0; line < 7; ++line) {
      ListFile(*h.state, h.controls, "FILE" + std::to_string(line) + ".KVX", 1024 * line, 1000);
    }
  }
  std::vector<std::byte> CardBytesOf(int line) const {
    const FoundFile& file = h.state->found_files[static_cast<std::size_t>(line)];
    return CardSlice(card, file.StartOffset, file.SizeByHeader);
  }
  void ExpectCardClosedAndPointerRestored() {
    EXPECT_EQ(h.platform.open_volumes(), 0);
    EXPECT_EQ(h.state->card.VolumeHandle, nullptr);
    EXPECT_FALSE(h.controls.busy);
    EXPECT_EQ(h.controls.busy_changes, 2);
  }
};

TEST_F(RetrieveTest, SelectedLinesAreCopiedFromTheLastToTheFirst) {
  for (int line : {1, 4, 6}) h.controls.Select(line);
  Retrieve(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.platform.created,
            (std::vector<std::string>{"out/FILE6.KVX", "out/FILE4.KVX", "out/FILE1.KVX"}));
  for (int line : {1, 4, 6}) {
    EXPECT_EQ(h.platform.files["out/FILE" + std::to_string(line) + ".KVX"], CardBytesOf(line));
  }
  EXPECT_TRUE(h.controls.messages.empty());
  ExpectCardClosedAndPointerRestored();
}

TEST_F(RetrieveTest, AnExistingTargetStopsTheRunAndStaysAsItWas) {
  for (int line : {1, 4, 6}) h.controls.Select(line);
  h.platform.files["out/FILE4.KVX"] = {std::byte{'k'}};
  Retrieve(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.platform.created, std::vector<std::string>{"out/FILE6.KVX"});
  EXPECT_EQ(h.platform.files["out/FILE6.KVX"], CardBytesOf(6));
  EXPECT_EQ(h.platform.files["out/FILE4.KVX"], std::vector<std::byte>{std::byte{'k'}});
  ASSERT_EQ(h.controls.messages.size(), 1u);
  EXPECT_EQ(h.controls.messages[0],
            (ShownMessage{"out/FILE4.KVX" + std::string(11, ' ') + kExists, "Recovery file"}));
  ExpectCardClosedAndPointerRestored();
}

TEST_F(RetrieveTest, AFailedWriteStopsTheRunAndKeepsWhatWasWritten) {
  for (int line : {1, 4, 6}) h.controls.Select(line);
  h.state->found_files[4].SizeByHeader = 5000;
  h.platform.write_limit = 3000;
  Retrieve(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.platform.created, (std::vector<std::string>{"out/FILE6.KVX", "out/FILE4.KVX"}));
  EXPECT_EQ(h.platform.files["out/FILE6.KVX"], CardBytesOf(6));
  EXPECT_EQ(h.platform.files["out/FILE4.KVX"], CardSlice(card, 4096, 3000));
  EXPECT_EQ(h.controls.messages,
            std::vector<ShownMessage>{(ShownMessage{kCantWrite, "Korvex SD Rescure"})});
  ExpectCardClosedAndPointerRestored();
}

TEST_F(RetrieveTest, AReadFaultEndsThatFileAndTheRunGoesOn) {
  for (int line : {1, 6}) h.controls.Select(line);
  h.state->found_files[6].SizeByHeader = 5000;
  h.platform.CardOf("E").fault = {6144 + 1300, 6144 + 1400};
  Retrieve(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.platform.files["out/FILE6.KVX"], CardSlice(card, 6144, 1300));
  EXPECT_EQ(h.platform.files["out/FILE1.KVX"], CardBytesOf(1));
  EXPECT_TRUE(h.controls.messages.empty());
  ExpectCardClosedAndPointerRestored();
}

TEST_F(RetrieveTest, Text2IsReadAfreshForEveryFile) {
  struct ChangingText2 : MemoryControls {
    mutable std::deque<std::string> texts{"first/", "second/"};
    std::string Text2() const override {
      std::string text = texts.front();
      if (texts.size() > 1) texts.pop_front();
      return text;
    }
  } controls;
  controls.lines = h.controls.lines;
  for (int line : {1, 4}) controls.Select(line);
  Retrieve(*h.state, controls, h.platform);
  EXPECT_EQ(h.platform.created, (std::vector<std::string>{"first/FILE4.KVX", "second/FILE1.KVX"}));
}

TEST_F(RetrieveTest, ProgressCountsUpToTheSelectionsTotal) {
  struct ProgressControls : MemoryControls {
    std::vector<std::pair<std::int64_t, std::int64_t>> reports;
    void ReportProgress(std::int64_t done, std::int64_t total) override {
      reports.emplace_back(done, total);
    }
  } controls;
  controls.text2 = "out/";
  controls.lines = h.controls.lines;
  for (int line : {1, 6}) controls.Select(line);
  h.state->found_files[6].SizeByHeader = 1879048191;  // runs past the card's end
  Retrieve(*h.state, controls, h.platform);
  ASSERT_FALSE(controls.reports.empty());
  EXPECT_LE(controls.reports.size(), h.platform.CardOf("E").reads.size());
  EXPECT_TRUE(std::is_sorted(controls.reports.begin(), controls.reports.end()));
  for (const auto& [done, total] : controls.reports) EXPECT_EQ(total, 1879048191 + 1000);
  EXPECT_EQ(controls.reports.back().first, 1879048191 + 1000);
}

TEST_F(RetrieveTest, TheExistenceMessageShowsTheReplacedNameWithItsBlanks) {
  h.state->found_files[2].FileName = PaddedFileName("D/../../.KVX");
  h.platform.files["out/D_.._.._.KVX"] = {};
  h.controls.Select(2);
  Retrieve(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.messages,
            std::vector<ShownMessage>{(ShownMessage{
                "out/D_.._.._.KVX" + std::string(8, ' ') + kExists, "Recovery file"})});
}

struct SizeCase {
  const char* what;
  std::int64_t size;
  std::int64_t expected_length;
};

void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.what; }

class RetrieveSizeTest : public RetrieveTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(RetrieveSizeTest, TheTargetHoldsTheCardsBytesForTheChosenSize) {
  h.state->found_files[3].SizeByHeader = GetParam().size;
  h.controls.Select(3);
  Retrieve(*h.state, h.controls, h.platform);
  ASSERT_EQ(h.platform.created, std::vector<std::string>{"out/FILE3.KVX"});
  EXPECT_EQ(h.platform.files["out/FILE3.KVX"], CardSlice(card, 3072, GetParam().expected_length));
  EXPECT_TRUE(h.controls.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RetrieveSizeTest,
    ::testing::Values(SizeCase{"zero", 0, 0}, SizeCase{"a negative size", -1, 0},
                      SizeCase{"a partial sector", 1000, 1000},
                      SizeCase{"whole sectors", 1024, 1024},
                      SizeCase{"past the cards end", 1879048191, kCardLength - 3072}),
    [](const auto& info) { return SentenceName(info.param.what); });

struct IdleCase {
  const char* what;
  std::set<int> selected;
  int current_index;
  bool empty_list;
};

void PrintTo(const IdleCase& c, std::ostream* os) { *os << c.what; }

class RetrieveIdleTest : public RetrieveTest, public ::testing::WithParamInterface<IdleCase> {};

TEST_P(RetrieveIdleTest, WithoutASelectionTheCardIsOpenedAndClosedAndNothingWritten) {
  if (GetParam().empty_list) h.controls.lines.clear();
  h.controls.selected = GetParam().selected;
  h.controls.current_index = GetParam().current_index;
  Retrieve(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.platform.opens(), 1);
  EXPECT_TRUE(h.platform.created.empty());
  EXPECT_TRUE(h.platform.existence_checks.empty());
  EXPECT_TRUE(h.controls.messages.empty());
  ExpectCardClosedAndPointerRestored();
}

INSTANTIATE_TEST_SUITE_P(Selections, RetrieveIdleTest,
                         ::testing::Values(IdleCase{"an empty list", {}, -1, true},
                                           IdleCase{"no line selected", {}, 3, false},
                                           IdleCase{"no current line", {2, 5}, -1, false}),
                         [](const auto& info) { return SentenceName(info.param.what); });

class RetrieveOpenFailureTest : public RetrieveTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(RetrieveOpenFailureTest, ACardThatCannotBeOpenedLeavesThePointerAlone) {
  h.state->card.VolumeHandle = h.platform.OpenVolume("E");  // left open by a search
  h.controls.text1 = GetParam();
  h.controls.Select(1);
  Retrieve(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.messages,
            std::vector<ShownMessage>{(ShownMessage{kCantRead, "Korvex SD Rescure"})});
  EXPECT_EQ(h.controls.busy_changes, 0);
  EXPECT_TRUE(h.platform.created.empty());
  EXPECT_EQ(h.platform.open_volumes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Letters, RetrieveOpenFailureTest, ::testing::Values("x", "", "Q:\\"));

// A 2G card with two files: ALPHA, whose directory size (40000) differs from
// its header's length (51536), and BRAVO, whose sizes agree.
struct QuickSearchedCard {
  CardImage image{CardImage::Layout::G2, 141312 + 5 * 32768 + 100};
  QuickSearchedCard() {
    image.AddEntry("ALPHA.KVX", 2, 40000);
    image.AddEntry("BRAVO.KVX", 4, 11536);
    image.PlaceFile(image.ClusterOffset(2), 50000, 1);
    image.PlaceFile(image.ClusterOffset(4), 10000, 2);
  }
};

class RetrieveSizeModeTest : public ::testing::TestWithParam<int> {};

TEST_P(RetrieveSizeModeTest, SizeModeChoosesTheHeadersOrTheDirectorysSize) {
  ActionHarness h;
  QuickSearchedCard card;
  h.InsertCard(card.image);
  h.controls.text2 = "out/";
  QuickSearch(*h.state, h.controls, h.platform);
  ASSERT_EQ(h.controls.lines.size(), 2u);
  ASSERT_TRUE(h.controls.size_options_visible);
  h.state->SizeMode = GetParam();
  h.controls.Select(0);
  h.controls.Select(1);
  Retrieve(*h.state, h.controls, h.platform);
  std::int64_t alpha_size = GetParam() == 1 ? 40000 : 51536;
  EXPECT_EQ(h.platform.files["out/DLPHA   .KVX"],
            card.image.Slice(card.image.ClusterOffset(2), alpha_size));
  EXPECT_EQ(h.platform.files["out/DRAVO   .KVX"],
            card.image.Slice(card.image.ClusterOffset(4), 11536));
}

INSTANTIATE_TEST_SUITE_P(Modes, RetrieveSizeModeTest, ::testing::Values(0, 1));

TEST(RetrieveAfterSearchTest, ALetterChangedAfterTheSearchIsReadAtTheRecordedOffsets) {
  ActionHarness h;
  QuickSearchedCard searched;
  h.InsertCard(searched.image);
  std::vector<std::byte> other =
      PatternBytes(static_cast<std::int64_t>(searched.image.bytes().size()));
  h.InsertBytes(other, "F");
  h.controls.text2 = "out/";
  QuickSearch(*h.state, h.controls, h.platform);
  std::size_t searched_reads = h.platform.CardOf("E").reads.size();
  h.controls.text1 = "f";
  h.controls.Select(1);
  Retrieve(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.platform.files["out/DRAVO   .KVX"],
            CardSlice(other, searched.image.ClusterOffset(4), 11536));
  EXPECT_EQ(h.platform.CardOf("E").reads.size(), searched_reads);
}

}  // namespace
}  // namespace kvx::testing
