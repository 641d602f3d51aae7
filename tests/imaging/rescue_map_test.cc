#include "imaging/rescue_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvx::testing {
namespace {

constexpr RangeState kRead = RangeState::kFinished;
constexpr RangeState kBad = RangeState::kBadSector;
constexpr RangeState kUntried = RangeState::kNonTried;

RescueMap MapOf(std::vector<std::pair<std::int64_t, RangeState>> ranges) {
  RescueMap map;
  for (auto [size, state] : ranges) map.Append(size, state);
  return map;
}

TEST(RescueMapTest, AppendJoinsRangesOfOneState) {
  RescueMap map = MapOf({{512, kRead}, {1024, kRead}, {0, kBad}, {512, kBad}, {100, kUntried}});
  EXPECT_EQ(map.ranges(),
            (std::vector<MapRange>{{0, 1536, kRead}, {1536, 512, kBad}, {2048, 100, kUntried}}));
  EXPECT_EQ(map.end(), 2148);
}

// The text ddrescue's tools read: hexadecimal positions and sizes, one
// status character each; and it reads back as it was.
TEST(RescueMapTest, WritesTheMapfileTextAndReadsItBack) {
  RescueMap map = MapOf({{0x1234567890, kRead}, {512, kBad}, {7, kRead}, {1, kUntried}});
  map.current_pos = 0x1234567890;
  map.phase = ImagingPhase::kRetrying;
  const std::string text = FormatRescueMap(map);
  EXPECT_EQ(text.substr(text.find('\n') + 1),
            "# current_pos  current_status  current_pass\n"
            "0x1234567890     -               1\n"
            "#      pos        size  status\n"
            "0x00000000  0x1234567890  +\n"
            "0x1234567890  0x00000200  -\n"
            "0x1234567A90  0x00000007  +\n"
            "0x1234567A97  0x00000001  ?\n");
  auto read = ParseRescueMap(text).map;
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->ranges(), map.ranges());
  EXPECT_EQ(read->current_pos, map.current_pos);
  EXPECT_EQ(read->phase, map.phase);
}

// A map as other imaging tools write it: comments, blank lines, numbers in
// any base, states this program never writes, a pass number or none.
TEST(RescueMapTest, ReadsMapsOtherToolsWrote) {
  auto map = ParseRescueMap(
                 "# Mapfile. Created by another tool\n"
                 "# Command line: ...\n"
                 "\n"
                 "0x00010000     *\n"
                 "#      pos        size  status\n"
                 "0x00000000  0x00010000  +\n"
                 "65536\t01000\t*\r\n"
                 "0x00010200  0x00000200  /\n"
                 "0x00010400  0x00000200  -\n"
                 "0x00010600  0x00000200  ?")
                 .map;
  ASSERT_TRUE(map.has_value());
  EXPECT_EQ(map->phase, ImagingPhase::kTrimming);
  EXPECT_EQ(map->current_pos, 0x10000);
  EXPECT_EQ(map->ranges(), (std::vector<MapRange>{{0, 0x10000, kRead},
                                                  {0x10000, 512, RangeState::kNonTrimmed},
                                                  {0x10200, 512, RangeState::kNonScraped},
                                                  {0x10400, 512, kBad},
                                                  {0x10600, 512, kUntried}}));
}

struct BadText {
  const char* name;
  const char* text;
  const char* error;
};

class RescueMapRejectsTest : public ::testing::TestWithParam<BadText> {};

// The error names the line, so that a user can find what is wrong.
TEST_P(RescueMapRejectsTest, TextThatIsNoMap) {
  ParsedMap parsed = ParseRescueMap(GetParam().text, 0x10000);
  EXPECT_FALSE(parsed.map);
  EXPECT_EQ(parsed.error, GetParam().error);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, RescueMapRejectsTest, ::testing::Values(
    BadText{"Empty", "", "no status line"},
    BadText{"StatusLineUnknownPhase", "0x0 X 1\n", "line 1: unknown status \"X\""},
    BadText{"UnknownState", "# c\n0x0 +\n0x0 0x200 F\n", "line 3: unknown status \"F\""},
    BadText{"EmptyRange", "0x0 +\n0x0 0x0 +\n", "line 2: the block is empty"},
    BadText{"Gap", "0x0 +\n0x0 0x200 +\n0x300 0x200 -\n", "line 3: a gap before the block"},
    BadText{"Overlap", "0x0 +\n0x0 0x200 +\n0x100 0x200 -\n",
            "line 3: the block overlaps the one before, or is out of order"},
    BadText{"PastTheCard", "0x0 +\n0x0 0x10000 +\n0x10000 0x1 +\n",
            "line 3: the block ends past the card's end"},
    BadText{"Overflow", "0x0 +\n0x0 0x7FFFFFFFFFFFFFFF +\n",
            "line 2: the block ends past the card's end"},
    BadText{"TooBig", "0x0 +\n0x0 0x8000000000000000 +\n", "line 2: not a number"},
    BadText{"Truncated", "0x0 +\n0x0 0x200 +\n0x200 0x2", "line 3: expected a block's position, size and status"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Setting a stretch's state splits the ranges it cuts and joins neighbours of
// the same state. The map: 0..1024 read, 1024..2048 bad, 2048..4096 untried.
struct SetCase {
  const char* name;
  std::int64_t pos, size;
  RangeState state;
  std::vector<MapRange> ranges;
};

class RescueMapSetTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(RescueMapSetTest, SplitsAndJoins) {
  RescueMap map = MapOf({{1024, kRead}, {1024, kBad}, {2048, kUntried}});
  map.Set(GetParam().pos, GetParam().size, GetParam().state);
  EXPECT_EQ(map.ranges(), GetParam().ranges);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Stretches, RescueMapSetTest, ::testing::Values(
    SetCase{"InsideOneRange", 2560, 512, kRead,
            {{0, 1024, kRead}, {1024, 1024, kBad}, {2048, 512, kUntried}, {2560, 512, kRead},
             {3072, 1024, kUntried}}},
    SetCase{"WholeRangeJoinsBothSides", 1024, 1024, kRead,
            {{0, 2048, kRead}, {2048, 2048, kUntried}}},
    SetCase{"AcrossThree", 512, 3072, kBad,
            {{0, 512, kRead}, {512, 3072, kBad}, {3584, 512, kUntried}}},
    SetCase{"SameState", 1100, 100, kBad,
            {{0, 1024, kRead}, {1024, 1024, kBad}, {2048, 2048, kUntried}}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(RescueMapTest, MapStartingPastZeroIsUntriedUpToThere) {
  auto map = ParseRescueMap("0x400 +\n0x400 0x200 +\n").map;
  ASSERT_TRUE(map.has_value());
  EXPECT_EQ(map->ranges(), (std::vector<MapRange>{{0, 0x400, kUntried}, {0x400, 0x200, kRead}}));
}

// Which unread ranges a file's bytes touch.
struct UnreadCase {
  const char* name;
  std::int64_t offset, length;
  std::vector<ByteRange> unread;
};

class UnreadRangesTest : public ::testing::TestWithParam<UnreadCase> {};

// 0..1024 read, 1024..1536 bad, 1536..2048 untried, 2048..4096 read, 4096..4608 bad.
TEST_P(UnreadRangesTest, AreTheUnreadPartsOfTheRange) {
  RescueMap map = MapOf({{1024, kRead}, {512, kBad}, {512, kUntried}, {2048, kRead}, {512, kBad}});
  EXPECT_EQ(map.UnreadRanges(GetParam().offset, GetParam().length), GetParam().unread);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ranges, UnreadRangesTest, ::testing::Values(
    UnreadCase{"EndsWhereABadRangeStarts", 512, 512, {}},
    UnreadCase{"ReachesOneByteIn", 512, 513, {{1024, 1}}},
    UnreadCase{"BadAndUntriedJoined", 1000, 1100, {{1024, 1024}}},
    UnreadCase{"AcrossSeveral", 0, 4608, {{1024, 1024}, {4096, 512}}},
    UnreadCase{"NegativeOffset", -1, 10, {}},
    UnreadCase{"LengthToTheLimit", 4000, INT64_MAX, {{4096, INT64_MAX - 4096}}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace kvx::testing
