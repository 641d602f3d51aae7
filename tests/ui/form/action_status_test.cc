// The status bar's texts, and the action status on a clock the test moves:
// how often progress shows, what the bar says at rest, during an action and
// after it, and the stop and close requests.
#include "ui/form/action_status.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ui/form/form_fakes.h"
#include "ui/form/status_text.h"

namespace kvx {
namespace {

using std::chrono::milliseconds;

struct ProgressCase {
  const char* name;
  std::int64_t done;
  std::int64_t total;
  double seconds;
  const char* text;
};

class ProgressTextTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTextTest, ShowsWhatIsKnown) {
  const ProgressCase& c = GetParam();
  EXPECT_EQ(ProgressText("Read", c.done, c.total, c.seconds), c.text);
}

constexpr std::int64_t kGiB = std::int64_t{1} << 30;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Reports, ProgressTextTest, ::testing::Values(
    // Rounded up: a second left is not "0 s left".
    ProgressCase{"AlmostDone", 2 * kGiB - 1000, 2 * kGiB, 20,
                 "Read 2.0 GB of 2.0 GB (99 %), 102.4 MB/s, 1 s left"},
    ProgressCase{"TooEarlyForARate", 4096, 8192, 0.05, "Read 4 KB of 8 KB (50 %)"},
    ProgressCase{"NothingReadYet", 0, 8192, 3, "Read 0 bytes of 8 KB (0 %)"},
    ProgressCase{"SizeUnknown", 3 << 20, -1, 2, "Read 3.0 MB, 1.5 MB/s"},
    // A device larger than it said: no percentage past 100, no time left.
    ProgressCase{"PastTheTotal", 3 << 20, 1 << 20, 1, "Read 3.0 MB, 3.0 MB/s"},
    ProgressCase{"ByteUnderAKilobyte", 1023, 1024, 0, "Read 1023 bytes of 1 KB (99 %)"},
    // Just under a MB never shows as "1024 KB".
    ProgressCase{"ByteUnderAMegabyte", 1048575, -1, 0, "Read 1.0 MB"},
    ProgressCase{"Terabytes", std::int64_t{3} << 40, -1, 0, "Read 3.0 TB"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct ActionStatusTest : ::testing::Test {
  testing::FakeBar bar;
  const std::string& Text() const { return bar.texts.back().first; }
  bool Failure() const { return bar.texts.back().second; }
  ActionStatus::Clock::time_point now{};
  ActionStatus status{bar, [this] { return now; }};
};

TEST_F(ActionStatusTest, ShowsProgressAtMostTenTimesASecondAndHandlesEventsEachTime) {
  status.Begin(ActionKind::kRead);
  EXPECT_TRUE(bar.stop_enabled);
  EXPECT_EQ(bar.progress, 0);
  for (int ms : {0, 50, 99, 100, 150, 250}) {
    now = ActionStatus::Clock::time_point{} + milliseconds(ms);
    status.Progress(ms * 1000, 1000000);
  }
  EXPECT_EQ(bar.event_passes, 3);  // at 0, 100 and 250 ms
  EXPECT_EQ(Text(), "Read 244 KB of 976 KB (25 %), 976 KB/s, 1 s left");
  EXPECT_EQ(bar.progress, 250);
}

TEST_F(ActionStatusTest, OutcomeStaysUntilTheLetterChanges) {
  status.ShowAtRest("/dev/sdb");
  status.Begin(ActionKind::kRead);
  status.Progress(10, 100);
  status.Report({Outcome::kFailed, "/dev/sdb: permission denied"});
  EXPECT_FALSE(status.End());
  EXPECT_EQ(Text(), "Failed: /dev/sdb: permission denied");
  EXPECT_TRUE(Failure());
  EXPECT_FALSE(bar.progress);
  EXPECT_FALSE(bar.stop_enabled);
  status.ShowAtRest("/dev/sdc");
  EXPECT_EQ(Text(), "/dev/sdc");
  EXPECT_FALSE(Failure());
}

TEST_F(ActionStatusTest, AnActionWithoutOutcomeLeavesTheBarAtRest) {
  status.ShowAtRest("/dev/sdb");
  status.Begin(ActionKind::kRead);
  status.Progress(10, 100);
  status.ShowAtRest("/dev/sdc");  // not shown over the progress
  EXPECT_NE(Text(), "/dev/sdc");
  status.End();
  EXPECT_EQ(Text(), "/dev/sdc");
}

TEST_F(ActionStatusTest, StopReachesOnlyALongActionAndOnlyTheOneRunning) {
  status.RequestStop();
  status.Begin(ActionKind::kShort);
  EXPECT_FALSE(status.StopRequested());
  status.RequestStop();
  EXPECT_FALSE(status.StopRequested());
  status.End();
  status.Begin(ActionKind::kRead);
  EXPECT_FALSE(status.StopRequested());
  status.RequestStop();
  EXPECT_TRUE(status.StopRequested());
  status.End();
  status.Begin(ActionKind::kCopy);
  EXPECT_FALSE(status.StopRequested());
}

TEST_F(ActionStatusTest, CloseDuringAnActionStopsItAndWaitsForItsEnd) {
  EXPECT_TRUE(status.MayClose());
  status.Begin(ActionKind::kRead);
  EXPECT_FALSE(status.MayClose());
  EXPECT_TRUE(status.StopRequested());
  EXPECT_TRUE(status.End());
  status.Begin(ActionKind::kRead);
  EXPECT_FALSE(status.End());
}

}  // namespace
}  // namespace kvx
