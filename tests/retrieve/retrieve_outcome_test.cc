// Retrieve asked to stop at a chosen read, run to its end, or ended by a
// target failure: what it writes, how far it reports, and its one outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "retrieve/retrieve.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Bytes = std::vector<std::byte>;
constexpr std::int64_t kSizeA = 2500000, kSizeB = 2000000;
constexpr std::int64_t kAtA = 0, kAtB = 3 << 20;

Bytes PatternBytes(std::int64_t length) {
  Bytes bytes(static_cast<std::size_t>(length));
  for (std::int64_t i = 0; i < length; ++i) bytes[i] = std::byte((i * 13 + (i >> 9)) & 0xFF);
  return bytes;
}

// Lines A.KVX (2.5 MB at 0) and B.KVX (2.0 MB at 3 MiB), both selected;
// Retrieve copies B first, in reads of 1 MiB, and asks after each.
struct TwoLines {
  ActionHarness h;
  TwoLines() {
    h.InsertBytes(PatternBytes(6 << 20));
    h.ListSelected("A.KVX", kAtA, kSizeA);
    h.ListSelected("B.KVX", kAtB, kSizeB);
    h.controls.text2 = "out/";
  }
  Bytes CardBytes(std::int64_t at, std::int64_t count) {
    const Bytes& card = h.platform.CardOf("E").bytes;
    return Bytes(card.begin() + at, card.begin() + at + count);
  }
};

struct StopCase {
  const char* name;
  int stop_at_ask;
  std::int64_t a_bytes, b_bytes;  // -1: not created
  std::int64_t progress_done;     // where the bar ends, of twice the selected bytes
  Outcome outcome;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class RetrieveStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(RetrieveStopTest, ClosesTheFileBeingWrittenAndNamesIt) {
  const StopCase& c = GetParam();
  TwoLines s;
  s.h.controls.stop_at_ask = c.stop_at_ask;
  Retrieve(*s.h.state, s.h.controls, s.h.platform);
  auto& files = s.h.platform.files;
  if (c.b_bytes < 0) EXPECT_EQ(files.count("out/B.KVX"), 0u);
  else EXPECT_EQ(files["out/B.KVX"], s.CardBytes(kAtB, c.b_bytes));
  if (c.a_bytes < 0) EXPECT_EQ(files.count("out/A.KVX"), 0u);
  else EXPECT_EQ(files["out/A.KVX"], s.CardBytes(kAtA, c.a_bytes));
  ASSERT_EQ(s.h.controls.outcomes.size(), 1u);
  EXPECT_EQ(s.h.controls.outcomes[0].kind, c.outcome.kind);
  EXPECT_EQ(s.h.controls.outcomes[0].text, c.outcome.text);
  EXPECT_TRUE(s.h.controls.messages.empty());
  EXPECT_EQ(s.h.platform.open_volumes(), 0);
  EXPECT_FALSE(s.h.controls.busy);
  // Bytes read of all selected, both reads of each, rising, after each read.
  const auto& progress = s.h.controls.progress;
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  for (auto [done, total] : progress) EXPECT_EQ(total, 2 * (kSizeA + kSizeB));
  EXPECT_EQ(progress.back().first, c.progress_done);
}

constexpr char kDigests[] = "; digests in kvx-rescue-20261206-090507.sha256";

// Each file takes two asks to copy, B's two more and A's three more to read again.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Asks, RetrieveStopTest, ::testing::Values(
    StopCase{"InTheFirstFile", 0, -1, 1 << 20, 1 << 20,
             {Outcome::kStopped, "Copied 0 of 2 files: stopped, B.KVX: 1.0 MB of 1.9 MB"}},
    // A stop asked at a file's last read leaves it whole, not read again, and begins no other.
    StopCase{"AtTheFirstFilesEnd", 1, -1, kSizeB, kSizeB,
             {Outcome::kStopped, std::string("Copied 1 of 2 files: stopped") + kDigests}},
    StopCase{"InTheFirstFilesSecondRead", 2, -1, kSizeB, kSizeB + (1 << 20),
             {Outcome::kStopped, "Copied 1 of 2 files: stopped, B.KVX copied, its second read "
                                 "at 1.0 MB of 1.9 MB" + std::string(kDigests)}},
    StopCase{"AtTheFirstFilesSecondEnd", 3, -1, kSizeB, 2 * kSizeB,
             {Outcome::kStopped, std::string("Copied 1 of 2 files: stopped") + kDigests}},
    StopCase{"InTheSecondFile", 4, 1 << 20, kSizeB, 2 * kSizeB + (1 << 20),
             {Outcome::kStopped, "Copied 1 of 2 files: stopped, A.KVX: 1.0 MB of 2.4 MB" +
                                 std::string(kDigests)}},
    StopCase{"Never", -1, kSizeA, kSizeB, 2 * (kSizeA + kSizeB),
             {Outcome::kDone, "Copied 2 files, 4.3 MB, to out/" + std::string(kDigests)}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct FailureCase {
  const char* name;
  std::function<void(TwoLines&)> setup;
  Outcome outcome;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class RetrieveFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(RetrieveFailureTest, SaysWhatItCopiedAndWhatStoppedIt) {
  TwoLines s;
  GetParam().setup(s);
  Retrieve(*s.h.state, s.h.controls, s.h.platform);
  EXPECT_EQ(s.h.controls.outcomes, std::vector<Outcome>{GetParam().outcome});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ends, RetrieveFailureTest, ::testing::Values(
    FailureCase{"ExistingFile", [](TwoLines& s) { s.h.platform.files["out/A.KVX"] = {}; },
                {Outcome::kFailed, "Copied 1 of 2 files: A.KVX exists" + std::string(kDigests)}},
    FailureCase{"CannotCreate", [](TwoLines& s) { s.h.platform.blocked_paths = {"out/B.KVX"}; },
                {Outcome::kFailed, "Copied 0 of 2 files: cannot create out/B.KVX: permission denied"}},
    FailureCase{"CannotWrite", [](TwoLines& s) { s.h.platform.write_limit = 1500000; },
                {Outcome::kFailed, "Copied 0 of 2 files: writing B.KVX failed after 1.0 MB: no space left"}},
    FailureCase{"NothingSelected", [](TwoLines& s) { s.h.controls.selected.clear(); },
                {Outcome::kDone, "Retrieve: no line selected"}},
    FailureCase{"CardGone", [](TwoLines& s) { s.h.controls.text1 = "F"; },
                {Outcome::kFailed, "letter F names no card: start with --drive F=PATH"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace kvx::testing
