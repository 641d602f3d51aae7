// The report parses as JSON whatever bytes the texts hold (the parser
// rejects any string that is not valid UTF-8), and every text comes back as
// it was, with U+FFFD where its bytes are not valid UTF-8.
#include "cli/json_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace kvx {
namespace {

struct TextCase {
  const char* name;
  std::string text;
  std::string parsed;
};

// Test names stay readable and the same from run to run.
void PrintTo(const TextCase& text_case, std::ostream* out) { *out << text_case.name; }

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

// `count` times U+FFFD.
std::string Replaced(int count) {
  std::string replaced;
  for (int i = 0; i < count; ++i) replaced += "\xEF\xBF\xBD";
  return replaced;
}

const std::string kControls = "a\r\nb\t\"q\"\\/\x01\x08\x0c\x1f\x7f";
const std::string kMultiByte = "\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80";

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonReportTextTest,
    ::testing::Values(TextCase{"Nul", std::string("D\0AB", 4), std::string("D\0AB", 4)},
                      TextCase{"Controls", kControls, kControls},
                      TextCase{"MultiByte", kMultiByte, kMultiByte},
                      TextCase{"Overlong", "\xE0\x80\xAF", Replaced(3)},
                      // A sequence cut short, inside the text and at its end.
                      TextCase{"CutShort", "bad \xC4 byte \xE2\x82",
                               "bad " + Replaced(1) + " byte " + Replaced(1)}));

}  // namespace
}  // namespace kvx
