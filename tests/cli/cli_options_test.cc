#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include "platform/system_platform.h"

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

// Only a system without drive letters takes --drive; on Windows a letter names a volume.
TEST(CliOptionsTest, DriveOptionExistsWhereLettersMustBeMapped) {
  CliParse parse = Parse({"--drive", "e=/tmp/card.img", "quick"});
  if (kPlatformUsesDriveMap) {
    ASSERT_EQ(parse.error, "");
    EXPECT_EQ(parse.options.drives.PathOf("E"), "/tmp/card.img");
  } else {
    EXPECT_EQ(parse.error, "unknown option --drive (see --help)");
  }
}

TEST(CliOptionsTest, DefaultsAreTheWindowsOwn) {
  CliParse parse = Parse({"quick"});
  ASSERT_EQ(parse.error, "");
  EXPECT_EQ(parse.options.letter, "E");
  EXPECT_FALSE(parse.options.target.has_value());
  EXPECT_FALSE(parse.options.retrieves());
  EXPECT_FALSE(parse.options.drives.PathOf("E").has_value());
}

TEST(CliOptionsTest, RetrieveAllSelectsEverything) {
  CliParse parse = Parse({"--retrieve", "all", "explore"});
  EXPECT_TRUE(parse.options.retrieve_all);
  EXPECT_TRUE(parse.options.retrieves());
}

TEST(CliOptionsTest, HelpWinsOverEverythingElse) {
  EXPECT_TRUE(Parse({"--bogus", "--help"}).options.help);
  EXPECT_NE(CliUsage().find("--retrieve all|I,J,..."), std::string::npos);
}

class CliUsageErrorTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CliUsageErrorTest, GivesOneLineReason) {
  CliParse parse = ParseCliOptions(GetParam());
  EXPECT_FALSE(parse.error.empty());
  EXPECT_EQ(parse.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CliUsageErrorTest,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"scan"},
                      std::vector<std::string>{"quick", "comb"},
                      std::vector<std::string>{"--drive", "EE=/x", "quick"},
                      std::vector<std::string>{"--drive", "1=/x", "quick"},
                      std::vector<std::string>{"--drive", "E=", "quick"},
                      std::vector<std::string>{"--drive"},
                      std::vector<std::string>{"--size", "both", "quick"},
                      std::vector<std::string>{"--retrieve", "1,,2", "quick"},
                      std::vector<std::string>{"--retrieve", "-1", "quick"},
                      std::vector<std::string>{"--retrieve", "1x", "quick"},
                      std::vector<std::string>{"--retrieve", "99999999999", "quick"},
                      std::vector<std::string>{"--json=yes", "quick"},
                      std::vector<std::string>{"-x", "quick"}));

}  // namespace
}  // namespace kvx
