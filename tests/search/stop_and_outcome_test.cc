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

struct StopCase {
  const char* name;
  int stop_at_ask;  // -1: never
  int listed;
  Outcome outcome;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class ExploreStopTest : public ::testing::TestWithParam<StopCase> {};

// Four files, one cluster each, from the data region's second cluster on.
TEST_P(ExploreStopTest, KeepsWhatItListedAndEndsAsAtTheCardsEnd) {
  const StopCase& c = GetParam();
  ActionHarness h;
  CardImage image(Layout::kG2, kExploreCard);
  image.PlaceHeader(image.DataRegionOffset(), 0);  // the region marker
  for (int i = 0; i < 4; ++i) image.PlaceFile(kB + i * kCluster, 30000, static_cast<std::uint8_t>(i));
  h.InsertCard(image);
  h.controls.stop_at_ask = c.stop_at_ask;
  Explore(*h.state, h.controls, h.platform);

  EXPECT_EQ(h.state->FoundFiles.FoundCount(), c.listed);
  EXPECT_EQ(std::ssize(h.controls.lines), c.listed);
  EXPECT_EQ(h.controls.label3, std::to_string(c.listed) + " KVX File(s) found");
  EXPECT_EQ(h.controls.outcomes, std::vector<Outcome>{c.outcome});
  // One report per header read, at the header's offset, of the card's size.
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;
  // A stopped walk reads no header past its last find; a whole one reads the
  // one where none stands.
  const int reads = c.stop_at_ask >= 0 ? c.listed : c.listed + 1;
  for (int i = 0; i < reads; ++i) progress.emplace_back(kB + i * kCluster, kExploreCard);
  EXPECT_EQ(h.controls.progress, progress);
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
const std::vector<std::int64_t> kHeaders = {200 << 10, 3 << 19, 3 << 20};

class CombStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(CombStopTest, KeepsWhatItListedAndReportsEachWindow) {
  const StopCase& c = GetParam();
  ActionHarness h;
  CardImage image(Layout::kG2, kCombCard);
  for (std::int64_t at : kHeaders) image.PlaceFile(at, 1000);
  h.InsertCard(image);
  h.controls.stop_at_ask = c.stop_at_ask;
  CombThrough(*h.state, h.controls, h.platform);

  EXPECT_EQ(h.state->FoundFiles.FoundCount(), c.listed);
  EXPECT_EQ(h.controls.label3, c.listed ? std::to_string(c.listed) + " KVX File(s) found"
                                        : "No KVX Files found");
  EXPECT_FALSE(h.controls.busy);
  EXPECT_EQ(h.platform.open_volumes(), 0);
  EXPECT_EQ(h.controls.outcomes, std::vector<Outcome>{c.outcome});
  for (auto [done, total] : h.controls.progress) EXPECT_EQ(total, kCombCard);
  EXPECT_TRUE(std::is_sorted(h.controls.progress.begin(), h.controls.progress.end()));
  if (c.stop_at_ask >= 0) EXPECT_EQ(std::ssize(h.controls.progress), c.stop_at_ask + 1);
  else EXPECT_EQ(h.controls.progress.back().first, kCombCard);
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

TEST(CombOutcomeTest, AReadThatFailsInsideTheCardIsAFailureWithWhatWasListed) {
  ActionHarness h;
  CardImage image(Layout::kG2, kCombCard);
  for (std::int64_t at : kHeaders) image.PlaceFile(at, 1000);
  h.InsertCard(image).fault = {2 << 20, (2 << 20) + 512};
  CombThrough(*h.state, h.controls, h.platform);
  EXPECT_EQ(h.state->FoundFiles.FoundCount(), 2);
  ASSERT_EQ(h.controls.outcomes.size(), 1u);
  EXPECT_EQ(h.controls.outcomes[0].kind, Outcome::kFailed);
  EXPECT_EQ(h.controls.outcomes[0].text,
            "Comb Through: reading the card failed at 2.0 MB: Input/output error; 2 files listed");
}

// No to the question: nothing opened, nothing shown changed, one outcome.
TEST(CombOutcomeTest, NoToTheQuestionLeavesEverythingAsItWas) {
  ActionHarness h;
  h.InsertCard(CardImage(Layout::kG2, kCombCard));
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
// with what failed.
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
    EndCase{"EntriesUnreadable", QuickSearch,
            [](ActionHarness& h) { h.InsertBytes(Bytes(4096)); },
            {Outcome::kFailed, "Quick Search: reading the KVX file entries failed: the card ends before it"}},
    EndCase{"NoDataRegion", Explore, [](ActionHarness& h) { h.InsertBytes(Bytes(1 << 20)); },
            {Outcome::kDone, "Explore: no KVX data region"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace kvx::testing
