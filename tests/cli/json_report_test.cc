// The report parses as JSON whatever bytes the texts hold (the parser
// rejects any string that is not valid UTF-8), and every text comes back as
// it was, with U+FFFD where its bytes are not valid UTF-8.
#include "cli/json_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace kvx {
namespace {

struct TextCase {
  std::string text;
  std::string parsed;
};

class JsonReportTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(JsonReportTextTest, ParsesBackToTheTextWithInvalidBytesReplaced) {
  const std::string& text = GetParam().text;
  MemoryControls controls;
  controls.label2 = text;
  controls.lines = {"first", text};
  controls.messages = {{text, text}};
  nlohmann::json report = nlohmann::json::parse(JsonReport(controls));
  EXPECT_EQ(report["label2"], GetParam().parsed);
  EXPECT_EQ(report["lines"][1], GetParam().parsed);
  EXPECT_EQ(report["messages"][0]["title"], GetParam().parsed);
  EXPECT_EQ(report["messages"][0]["text"], GetParam().parsed);
}

const std::string kReplacement = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonReportTextTest,
    ::testing::Values(
        TextCase{"plain", "plain"},
        TextCase{std::string("D\0AB", 4), std::string("D\0AB", 4)},
        TextCase{"a\r\nb\t\"q\"\\/\x01\x08\x0c\x1f\x7f", "a\r\nb\t\"q\"\\/\x01\x08\x0c\x1f\x7f"},
        TextCase{"\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80"},
        // Overlong forms: C0 and C1 can only start one, E0 and F0 start them too.
        TextCase{"\xC0\xAF.\xC1\x81", kReplacement + kReplacement + "." + kReplacement + kReplacement},
        TextCase{"\xE0\x80\xAF", kReplacement + kReplacement + kReplacement},
        TextCase{"\xF0\x80\x80\xAF", kReplacement + kReplacement + kReplacement + kReplacement},
        // A surrogate, a code point past U+10FFFF, bytes that start nothing.
        TextCase{"\xED\xA0\x80", kReplacement + kReplacement + kReplacement},
        TextCase{"\xF4\x90\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement},
        TextCase{"\xF5\xFF\x80", kReplacement + kReplacement + kReplacement},
        // A sequence cut short, inside the text and at its end.
        TextCase{"bad \xC4 byte \xE2\x82", "bad " + kReplacement + " byte " + kReplacement}));

}  // namespace
}  // namespace kvx
