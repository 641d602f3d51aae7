#include "card/card_prologue.h"

#include <gtest/gtest.h>

#include "search/card_steps.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

constexpr char kTooLow[] = "Sorry, but I think this drive letter is too low to be a SD drive";

bool RunPrologue(ActionHarness& h) {
  return CardPrologue(h.state->Card, h.controls, h.platform, [&] { h.controls.retrieve_enabled = false; })
      .has_value();
}

struct LetterCase {
  const char* text;
  const char* letter;  // the drive the prologue opens; nullptr: too low, nothing opened
};

class DriveLetterTest : public ::testing::TestWithParam<LetterCase> {};

TEST_P(DriveLetterTest, FirstCharacterUpperCasedAndBelowDRejected) {
  ActionHarness h;
  for (const char* letter : {"D", "E", "["}) h.InsertCard(CardImage(CardImage::Layout::kG2, 4096), letter);
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

struct FailedOpenCase {
  const char* text1;
  std::vector<std::byte> card;  // under drive E
  const char* label2;
  bool left_open;
};

class PrologueFailureTest : public ::testing::TestWithParam<FailedOpenCase> {};

TEST_P(PrologueFailureTest, ShowsItsCaptionAndLeavesTheRestAlone) {
  ActionHarness h;
  h.InsertBytes(GetParam().card);
  h.controls.text1 = GetParam().text1;
  h.controls.label1 = "before1";
  h.controls.label3 = "before3";
  h.controls.lines = {"a line"};
  h.controls.retrieve_enabled = true;
  EXPECT_FALSE(RunPrologue(h));
  EXPECT_EQ(h.controls.label2, GetParam().label2);
  EXPECT_EQ(h.controls.label1, "before1");
  EXPECT_EQ(h.controls.label3, "before3");
  EXPECT_EQ(h.controls.lines.size(), 1u);
  // Command2 is disabled only once the card is open.
  EXPECT_EQ(h.controls.retrieve_enabled, !GetParam().left_open);
  EXPECT_EQ(h.state->Card.VolumeHandle != nullptr, GetParam().left_open);
}

INSTANTIATE_TEST_SUITE_P(Ends, PrologueFailureTest,
                         ::testing::Values(FailedOpenCase{"[", {}, "Can't open SD", false},
                                           FailedOpenCase{"E", {}, "Can't read SD", true}));

TEST(CardPrologueTest, ShortBootSectorIsDecodedWithMissingBytesAsZero) {
  ActionHarness h;
  CardImage image(CardImage::Layout::kG2, 4096);
  std::vector<std::byte> first(image.bytes().begin(), image.bytes().begin() + 17);
  h.InsertBytes(first);
  PrologueResult result = RunCardPrologue(h.state->Card, h.platform, "E", [] {});
  EXPECT_EQ(result.end, PrologueEnd::kOpened);
  EXPECT_EQ(result.fields.RootEntryCount, 0);
  EXPECT_EQ(result.fields.FatCount, 1);
  EXPECT_EQ(result.generation, -1);
  EXPECT_EQ(h.state->Card.BytesPerCluster, 64 * 512);
  EXPECT_TRUE(RunPrologue(h));
  EXPECT_EQ(h.controls.label2,
            "SD Name: ZENTOXC2\r\nSector/Cluster: 64\r\nNumber of FAT(s): 1\r\nMax Root Dir Entries: 0");
}

TEST(CardPrologueTest, ReopeningClosesTheHandleItReplaces) {
  ActionHarness h;
  h.InsertCard(CardImage(CardImage::Layout::kG2, 4096));
  ASSERT_TRUE(RunPrologue(h));
  ASSERT_TRUE(RunPrologue(h));
  EXPECT_EQ(h.platform.opens(), 2);
  EXPECT_EQ(h.platform.open_volumes(), 1);
}

}  // namespace
}  // namespace kvx::testing
