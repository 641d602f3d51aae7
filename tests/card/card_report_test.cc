#include "card/card_report.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

struct RecognitionCase {
  const char* name;
  std::int64_t fats;
  std::int64_t root_entries;
  int generation;
};

class RecognitionTest : public ::testing::TestWithParam<RecognitionCase> {};

TEST_P(RecognitionTest, NameTableCountAndRootEntriesMustAllMatch) {
  const RecognitionCase& c = GetParam();
  BootSectorFields fields{c.name, 64, c.fats, c.root_entries};
  EXPECT_EQ(CardGenerationOf(fields), c.generation);
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, RecognitionTest,
    ::testing::Values(RecognitionCase{"ZENTOXC1", 1, 512, 1}, RecognitionCase{"ZENTOXC2", 1, 512, 2},
                      RecognitionCase{"ZENTOXC0", 2, 512, 0}, RecognitionCase{"ZENTOXC2", 2, 512, -1},
                      RecognitionCase{"ZENTOXC0", 1, 512, -1}, RecognitionCase{"zentoxc2", 1, 512, -1},
                      RecognitionCase{"ZENTOXC2", 1, 511, -1}, RecognitionCase{"ZENTOXC3", 1, 512, -1},
                      // Read unsigned: 0x8200 is 33280, not a negative 512 look-alike.
                      RecognitionCase{"ZENTOXC2", 1, 33280, -1}));

TEST(CardReportTest, RecognisedCardGetsSevenLines) {
  BootSectorFields fields{"ZENTOXC2", 64, 1, 512};
  EXPECT_EQ(CardReport(fields, 2),
            "This is a ZENTO SD\r\n\r\nZENTO Firmware: 2G\r\nSD Name: ZENTOXC2\r\n"
            "Sector/Cluster: 64\r\nNumber of FAT(s): 1\r\nMax Root Dir Entries: 512");
}

TEST(CardReportTest, ObsoleteCardSaysSoAndShowsZeroG) {
  BootSectorFields fields{"ZENTOXC0", 128, 2, 512};
  EXPECT_EQ(CardReport(fields, 0),
            "This is an obsolete ZENTO SD\r\n\r\nZENTO Firmware: 0G\r\nSD Name: ZENTOXC0\r\n"
            "Sector/Cluster: 128\r\nNumber of FAT(s): 2\r\nMax Root Dir Entries: 512");
}

TEST(CardReportTest, UnknownCardGetsShortReportWithItsTrueNumbers) {
  BootSectorFields fields{std::string("MSWIN\0\xC4 ", 8), 0, 255, 65535};
  EXPECT_EQ(CardReport(fields, -1),
            "SD Name: " + std::string("MSWIN\0\xC3\x84 ", 9) +
                "\r\nSector/Cluster: 0\r\nNumber of FAT(s): 255\r\nMax Root Dir Entries: 65535");
}

}  // namespace
}  // namespace kvx
