#include "card/code_page.h"

#include <gtest/gtest.h>

#include <string_view>

namespace kvx {
namespace {

struct Utf8Case {
  std::string_view text;
  std::size_t length;
};

class ValidUtf8LengthTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(ValidUtf8LengthTest, CountsOnlyWholeShortestFormSequences) {
  EXPECT_EQ(ValidUtf8Length(GetParam().text, 0), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ValidUtf8LengthTest,
    ::testing::Values(Utf8Case{"A", 1}, Utf8Case{std::string_view("\0", 1), 1},
                      Utf8Case{"\xC3\xA9", 2}, Utf8Case{"\xE2\x82\xAC", 3},
                      Utf8Case{"\xF4\x8F\xBF\xBF", 4},
                      // Overlong leads, leads past U+10FFFF, stray and broken sequences.
                      Utf8Case{"\xC0\x80", 0}, Utf8Case{"\xC1\xBF", 0}, Utf8Case{"\xF5\x80\x80\x80", 0},
                      Utf8Case{"\xFF", 0}, Utf8Case{"\x80", 0}, Utf8Case{"\xE2\x82", 0},
                      Utf8Case{"\xC3" "A", 0}, Utf8Case{"\xF0\x9F\x98" "A", 0},
                      // Overlong 3- and 4-byte forms, a surrogate, past U+10FFFF; the
                      // edges next to them.
                      Utf8Case{"\xE0\x80\xAF", 0}, Utf8Case{"\xF0\x80\x80\xAF", 0},
                      Utf8Case{"\xED\xA0\x80", 0}, Utf8Case{"\xF4\x90\x80\x80", 0},
                      Utf8Case{"\xE0\xA0\x80", 3}, Utf8Case{"\xED\x9F\xBF", 3},
                      Utf8Case{"\xF0\x90\x80\x80", 4}));

}  // namespace
}  // namespace kvx
