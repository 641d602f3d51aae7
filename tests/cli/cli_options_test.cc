#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <climits>

namespace kvx {
namespace {

CliParse Parse(std::vector<std::string> args) { return ParseCliOptions(args); }

TEST(CliOptionsTest, ReadsEveryOptionInEitherSpelling) {
  CliParse parse = Parse({"--letter=e:\\data", "--target", "/out/", "--size=fat", "--retrieve",
                          "0,3,12", "--json", "--progress", "comb"});
  ASSERT_EQ(parse.error, "");
  const CliOptions& o = parse.options;
  EXPECT_EQ(o.letter, "e:\\data");
  EXPECT_EQ(o.target, "/out/");
  EXPECT_EQ(o.size, SizeChoice::kByFat);
  EXPECT_EQ(o.retrieve_lines, (std::vector<int>{0, 3, 12}));
  EXPECT_TRUE(o.json && o.progress);
  EXPECT_EQ(o.action, CliAction::kCombThrough);
}

TEST(CliOptionsTest, ImageTakesTheOnePathItWritesTo) {
  CliParse parse = Parse({"--letter", "F", "image", "out.img", "--progress", "--retries=0"});
  ASSERT_EQ(parse.error, "");
  EXPECT_EQ(parse.options.action, CliAction::kImage);
  EXPECT_EQ(parse.options.image_path, "out.img");
  EXPECT_EQ(parse.options.retries, 0);
  EXPECT_EQ(Parse({"image", "out.img"}).options.retries, 1);
}

// The value after an unknown option lands on the action; the option is the fault.
TEST(CliOptionsTest, NamesTheUnknownOptionBeforeWhatFollowsIt) {
  EXPECT_EQ(Parse({"--bogus", "e=/x", "quick"}).error,
            "unexpected argument \"--bogus\" (see --help)");
}

// An index past the last line selects nothing, however large: one beyond
// an int stands as INT_MAX, which no list reaches.
TEST(CliOptionsTest, RetrieveTakesAnIndexOfAnySize) {
  CliParse parse =
      Parse({"--retrieve", "2,2147483647,2147483648,99999999999999999999999", "quick"});
  ASSERT_EQ(parse.error, "");
  EXPECT_EQ(parse.options.retrieve_lines, (std::vector<int>{2, INT_MAX, INT_MAX, INT_MAX}));
}

TEST(CliOptionsTest, HelpWinsOverEverythingElse) {
  EXPECT_TRUE(Parse({"--bogus", "--help"}).options.help);
  EXPECT_TRUE(Parse({"--size", "both", "-h", "quick"}).options.help);
}

using Args = std::vector<std::string>;

class CliUsageErrorTest : public ::testing::TestWithParam<Args> {};

TEST_P(CliUsageErrorTest, GivesOneLineReason) {
  CliParse parse = ParseCliOptions(GetParam());
  EXPECT_FALSE(parse.options.help);
  EXPECT_FALSE(parse.error.empty());
  EXPECT_EQ(parse.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CliUsageErrorTest,
    ::testing::Values(Args{}, Args{"scan"}, Args{"quick", "comb"}, Args{"image"}, Args{"image", ""},
                      Args{"--json", "quick", "out.img"}, Args{"--drive", "EE=/x", "quick"},
                      Args{"--drive", "E=", "quick"}, Args{"--drive"},
                      Args{"--size", "both", "quick"}, Args{"--retrieve", "1,,2", "quick"},
                      Args{"--retrieve", "1,", "quick"}, Args{"--retrieve", ",1", "quick"},
                      Args{"--retrieve", "", "quick"}, Args{"--retrieve", "-1", "quick"},
                      Args{"--retrieve", "1,x", "quick"}, Args{"--list-drives", "quick"},
                      Args{"--json=yes", "quick"}, Args{"--retries", "-1", "image", "o"},
                      Args{"--retries", "99999999999", "image", "o"}, Args{"-x", "quick"}));

}  // namespace
}  // namespace kvx
