#include "card/boot_sector.h"

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

}  // namespace
}  // namespace kvx
