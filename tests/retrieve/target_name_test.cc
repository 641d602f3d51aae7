#include "retrieve/target_name.h"

#include <gtest/gtest.h>

namespace kvx::testing {
namespace {

constexpr std::string_view kNoneRefused = "";
constexpr std::string_view kWindowsRefused = ":*?\"<>|";

struct NameCase {
  std::string_view field;
  std::string_view refused_here;
  std::string_view name;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << '"' << c.field << '"'; }

class TargetNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(TargetNameTest, EveryCharacterThatCouldLeaveTheDirectoryBecomesAnUnderscore) {
  EXPECT_EQ(TargetName(GetParam().field, GetParam().refused_here), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TargetNameTest,
    ::testing::Values(
        NameCase{"FOUND0.KVX          ", kNoneRefused, "FOUND0.KVX          "},
        NameCase{"D/../../.KVX", kNoneRefused, "D_.._.._.KVX        "},
        NameCase{"D\\..\\..\\.KVX", kNoneRefused, "D_.._.._.KVX        "},
        NameCase{std::string_view("D\0\x1F\x7F x.KVX", 10), kNoneRefused, "D___ x.KVX          "},
        // Outside Windows the drive and wildcard characters are ordinary.
        NameCase{"D:*?\"<>|.KVX", kNoneRefused, "D:*?\"<>|.KVX        "},
        NameCase{"D:*?\"<>|.KVX", kWindowsRefused, "D_______.KVX        "},
        // The card's own characters stay what they are, in UTF-8.
        NameCase{"D\xE9t\xE9.KVX", kNoneRefused, "D\xC3\xA9t\xC3\xA9.KVX            "},
        NameCase{"A NAME LONGER THAN TWENTY", kNoneRefused, "A NAME LONGER THAN T"}));

}  // namespace
}  // namespace kvx::testing
