#include "card/card_prologue.h"

#include <gtest/gtest.h>

#include "search/card_steps.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

constexpr char kTooLow[] = "Sorry, but I think this drive letter is too low to be a SD drive";

bool RunPrologue(ActionHarness& h) {
  return CardPrologue(h.state->Card, h.controls, h.platform,
                      [&] { h.controls.retrieve_enabled = false; })
      .has_value();
}

struct LetterCase {
  const char* text;
  const char* letter;  // the drive the prologue opens; nullptr: too low, nothing opened
};

class DriveLetterTest : public ::testing::TestWithParam<LetterCase> {};

TEST_P(DriveLetterTest, FirstCharacterUpperCasedAndBelowDRejected) {
  ActionHarness h;
  for (const char* letter : {"D", "E", "["})
    h.InsertCard(CardImage(CardImage::Layout::kG2, 4096), letter);
  h.controls.text1 = GetParam().text;
  bool went_on = RunPrologue(h);
  if (GetParam().letter == nullptr) {
    EXPECT_FALSE(went_on);
    EXPECT_EQ(h.platform.opens(), 0);
    ASSERT_EQ(h.controls.messages.size(), 1u);
    EXPECT_EQ(h.controls.messages[0], (ShownMessage{kTooLow, "Korvex SD Rescure"}));
    EXPECT_EQ(h.controls.label2, "");
  } else {
    EXPECT_TRUE(went_on);
    EXPECT_TRUE(h.controls.messages.empty());
    EXPECT_EQ(h.platform.CardOf(GetParam().letter).reads.size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, DriveLetterTest,
                         ::testing::Values(LetterCase{"e", "E"}, LetterCase{"e:\\data", "E"},
                                           LetterCase{"E", "E"}, LetterCase{"D", "D"},
                                           LetterCase{"[", "["}, LetterCase{"C", nullptr},
                                           LetterCase{"c", nullptr}, LetterCase{"1", nullptr},
                                           LetterCase{"", nullptr}, LetterCase{" E", nullptr}));

TEST(CardPrologueTest, ShortBootSectorIsDecodedWithMissingBytesAsZero) {
  ActionHarness h;
  CardImage image(CardImage::Layout::kG2, 4096);
  std::vector<std::byte> first(image.bytes().begin(), image.bytes().begin() + 17);
  h.InsertBytes(first);
  PrologueResult result = RunCardPrologue(h.state->Card, h.platform, "E", [] {});
  EXPECT_EQ(result.end, PrologueEnd::kOpened);
  EXPECT_EQ(result.generation, -1);
  EXPECT_EQ(h.state->Card.BytesPerCluster, 64 * 512);
  EXPECT_TRUE(RunPrologue(h));
  EXPECT_EQ(h.controls.label2,
            "SD Name: ZENTOXC2\r\nSector/Cluster: 64\r\nNumber of FAT(s): 1\r\n"
            "Max Root Dir Entries: 0");
}

}  // namespace
}  // namespace kvx::testing
