// Explore and Comb Through asked to stop at a chosen read, run to their end,
// or ended by a read failure: what they list, how far they report, and the
// one outcome each reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Layout = CardImage::Layout;
using Bytes = std::vector<std::byte>;
constexpr std::int64_t kExploreCard = 1 << 20;
constexpr std::int64_t kB = 174080;  // the 2G data region's second cluster
constexpr std::int64_t kCluster = 32768;

using Progress = std::vector<std::pair<std::int64_t, std::int64_t>>;

struct StopCase {
  const char* name;
  int stop_at_ask;  // -1: never
  int listed;
  Outcome outcome;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

// Runs `search` on `image`, asked to stop as the case says: it keeps what it
// listed, ends with one outcome and nothing busy or open. Returns its progress.
Progress RunStopped(void (*search)(WindowState&, Controls&, Platform&), const CardImage& image,
                    const StopCase& c) {
  ActionHarness h;
  h.InsertCard(image);
  h.controls.stop_at_ask = c.stop_at_ask;
  search(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.state->FoundFiles.FoundCount(), c.listed);
  EXPECT_EQ(std::ssize(h.controls.lines), c.listed);
  EXPECT_EQ(h.controls.label3,
            c.listed ? std::to_string(c.listed) + " KVX File(s) found" : "No KVX Files found");
  EXPECT_EQ(std::tuple(h.controls.busy, h.platform.open_volumes()), std::tuple(false, 0));
  EXPECT_EQ(h.controls.outcomes, std::vector<Outcome>{c.outcome});
  return h.controls.progress;
}

class ExploreStopTest : public ::testing::TestWithParam<StopCase> {};

// Four files, one cluster each, from the data region's second cluster on.
TEST_P(ExploreStopTest, KeepsWhatItListedAndEndsAsAtTheCardsEnd) {
  const StopCase& c = GetParam();
  CardImage image(Layout::kG2, kExploreCard);
  image.PlaceHeader(image.DataRegionOffset(), 0);  // the region marker
  for (int i = 0; i < 4; ++i)
    image.PlaceFile(kB + i * kCluster, 30000, static_cast<std::uint8_t>(i));
  // One report per header read, at the header's offset, of the card's size. A
  // stopped walk reads no header past its last find; a whole one reads the
  // one where none stands.
  Progress progress;
  for (int i = 0; i < (c.stop_at_ask >= 0 ? c.listed : c.listed + 1); ++i)
    progress.emplace_back(kB + i * kCluster, kExploreCard);
  EXPECT_EQ(RunStopped(Explore, image, c), progress);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Asks, ExploreStopTest, ::testing::Values(
    StopCase{"AtTheFirstAsk", 0, 1, {Outcome::kStopped, "Explore stopped at 19 %: 1 file listed"}},
    StopCase{"AtTheThirdAsk", 2, 3, {Outcome::kStopped, "Explore stopped at 25 %: 3 files listed"}},
    StopCase{"Never", -1, 4, {Outcome::kDone, "Explore: 4 files listed"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Headers at 200 KiB, 1.5 MiB and 3 MiB of a 4 MiB card; Comb Through reads
// windows of 1 MiB from 80896 and asks after each.
constexpr std::int64_t kCombCard = 4 << 20;
CardImage CombCard() {
  CardImage image(Layout::kG2, kCombCard);
  for (std::int64_t at : {200 << 10, 3 << 19, 3 << 20}) image.PlaceFile(at, 1000);
  return image;
}

class CombStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(CombStopTest, KeepsWhatItListedAndReportsEachWindow) {
  const Progress progress = RunStopped(CombThrough, CombCard(), GetParam());
  for (auto [done, total] : progress) EXPECT_EQ(total, kCombCard);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  if (GetParam().stop_at_ask >= 0)
    EXPECT_EQ(std::ssize(progress), GetParam().stop_at_ask + 1);
  else
    EXPECT_EQ(progress.back().first, kCombCard);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Asks, CombStopTest, ::testing::Values(
    StopCase{"AfterTheFirstWindow", 0, 0,
             {Outcome::kStopped, "Comb Through stopped at 26 %: 0 files listed"}},
    StopCase{"AfterTheSecondWindow", 1, 1,
             {Outcome::kStopped, "Comb Through stopped at 51 %: 1 file listed"}},
    StopCase{"Never", -1, 3, {Outcome::kDone, "Comb Through read 4.0 MB: 3 files"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// No to the question: nothing opened, nothing shown changed, one outcome.
TEST(CombOutcomeTest, NoToTheQuestionLeavesEverythingAsItWas) {
  ActionHarness h;
  h.InsertCard(CombCard());
  h.controls.answers = {false};
  h.controls.label3 = "old";
  h.controls.lines = {"old line"};
  h.controls.size_options_visible = true;
  CombThrough(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.questions.size(), 1u);
  EXPECT_EQ(std::tuple(h.controls.label3, h.controls.lines, h.controls.size_options_visible),
            std::tuple("old", std::vector<std::string>{"old line"}, true));
  EXPECT_EQ(h.controls.busy_changes + h.platform.opens(), 0);
  EXPECT_EQ(h.controls.outcomes,
            (std::vector<Outcome>{{Outcome::kStopped, "Comb Through not started"}}));
  EXPECT_TRUE(h.controls.progress.empty());
}

// The searches' ends other than a stop: each reports one outcome, a failure
// with what failed and what was listed.
struct EndCase {
  const char* name;
  void (*action)(WindowState&, Controls&, Platform&);
  std::function<void(ActionHarness&)> setup;
  Outcome outcome;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class SearchEndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(SearchEndTest, ReportsOneOutcome) {
  ActionHarness h;
  GetParam().setup(h);
  GetParam().action(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.controls.outcomes, std::vector<Outcome>{GetParam().outcome});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ends, SearchEndTest, ::testing::Values(
    EndCase{"NoEntries", QuickSearch, [](ActionHarness& h) { h.InsertBytes(Bytes(1 << 20)); },
            {Outcome::kDone, "Quick Search: no KVX file entries"}},
    EndCase{"EntriesUnreadable", QuickSearch, [](ActionHarness& h) { h.InsertBytes(Bytes(4096)); },
            {Outcome::kFailed,
             "Quick Search: reading the KVX file entries failed: the card ends before it"}},
    EndCase{"NoDataRegion", Explore, [](ActionHarness& h) { h.InsertBytes(Bytes(1 << 20)); },
            {Outcome::kDone, "Explore: no KVX data region"}},
    EndCase{"CombReadFails", CombThrough,
            [](ActionHarness& h) { h.InsertCard(CombCard()).fault = {2 << 20, (2 << 20) + 512}; },
            {Outcome::kFailed, "Comb Through: reading the card failed at 2.0 MB: Input/output error; "
                               "2 files listed"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace kvx::testing
