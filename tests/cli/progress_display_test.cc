// The progress line: its figures, and that it is rewritten at most ten times
// a second with the last figures always shown at the end.
#include "cli/progress_display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvx {
namespace {

using std::chrono::milliseconds;
using TimePoint = std::chrono::steady_clock::time_point;

struct LineCase {
  std::int64_t done, total;
  double seconds;
  const char* line;
};

TEST(ProgressLineTest, ShowsDoneTotalAndRate) {
  const LineCase cases[] = {
      {512'000'000, 1'073'741'824, 2.0, "512.0 MB of 1073.7 MB (47%), 256.0 MB/s"},
      {0, 2'000'000'000, 0.5, "0.0 MB of 2000.0 MB (0%), 0.0 MB/s"},
      {3'500'000, 0, 1.0, "3.5 MB, 3.5 MB/s"},                // total unknown
      {1'000'000, 4'000'000, 0.0, "1.0 MB of 4.0 MB (25%)"},  // no time yet, no rate
  };
  for (const LineCase& c : cases) {
    EXPECT_EQ(ProgressLine(c.done, c.total, c.seconds), c.line) << c.line;
  }
}

class ProgressDisplayTest : public ::testing::Test {
 protected:
  TimePoint now{};
  std::vector<std::string> written;
  ProgressDisplay display{"comb", [this] { return now; },
                          [this](std::string_view text) { written.emplace_back(text); }};
};

TEST_F(ProgressDisplayTest, ShowsAtMostTenLinesASecondAndTheLastFiguresAtTheEnd) {
  // A report every 10 ms for one second: the first, then one per 100 ms.
  for (int i = 1; i <= 100; ++i) {
    now += milliseconds(10);
    display.Update(i * 1'000'000, 100'000'000);
  }
  EXPECT_EQ(written.size(), 10u);
  EXPECT_EQ(written.front(), "\rcomb: 1.0 MB of 100.0 MB (1%), 100.0 MB/s");

  display.Finish();
  ASSERT_EQ(written.size(), 12u);
  EXPECT_EQ(written[10], "\rcomb: 100.0 MB of 100.0 MB (100%), 100.0 MB/s");
  EXPECT_EQ(written[11], "\n");
}

TEST_F(ProgressDisplayTest, BlanksOutTheRestOfALongerLine) {
  display.Update(1'000'000, 100'000'000);
  now += milliseconds(100);
  display.Update(2'000'000, 0);
  EXPECT_EQ(written.back(), "\rcomb: 2.0 MB, 20.0 MB/s" + std::string(6, ' '));
}

}  // namespace
}  // namespace kvx
