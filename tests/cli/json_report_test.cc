#include "cli/json_report.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

struct EscapeCase {
  std::string text;
  std::string json;
};

class JsonStringTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JsonStringTest, EscapesWithoutCuttingAnything) {
  EXPECT_EQ(JsonString(GetParam().text), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonStringTest,
    ::testing::Values(EscapeCase{"plain", "\"plain\""},
                      EscapeCase{std::string("D\0AB", 4), "\"D\\u0000AB\""},
                      EscapeCase{"a\r\nb\t\"q\"\\", "\"a\\r\\nb\\t\\\"q\\\"\\\\\""},
                      EscapeCase{"\x01\x1f\x7f", "\"\\u0001\\u001f\x7f\""},
                      EscapeCase{"\xC3\x84\xE2\x82\xAC", "\"\xC3\x84\xE2\x82\xAC\""},
                      EscapeCase{"bad \xC4 byte \xE2\x82", "\"bad \\ufffd byte \\ufffd\\ufffd\""}));

TEST(JsonReportTest, HoldsEveryFieldInItsOrder) {
  MemoryControls controls;
  controls.label1 = "1 KVX File Entries (2G) found";
  controls.label2 = "a\r\nb";
  controls.lines = {"DATA0001.KVX         Size: 5 @141312"};
  controls.messages = {{"text", "title"}};
  controls.retrieve_enabled = true;
  EXPECT_EQ(JsonReport(controls),
            "{\"label1\": \"1 KVX File Entries (2G) found\", \"label2\": \"a\\r\\nb\", "
            "\"label3\": \"\", \"lines\": [\"DATA0001.KVX         Size: 5 @141312\"], "
            "\"messages\": [{\"title\": \"title\", \"text\": \"text\"}], "
            "\"retrieveEnabled\": true, \"sizeOptionsVisible\": false}");
}

}  // namespace
}  // namespace kvx
