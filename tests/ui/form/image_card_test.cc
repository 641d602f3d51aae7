// "Image card to file..." at the form: the save dialog's offer, a cancel, the
// card imaged with its outcome in the status bar, Stop, and a card that will
// not open.
#include <gtest/gtest.h>

#include <string>

#include "imaging/card_imager.h"
#include "tests/ui/form/form_fakes.h"

namespace kvx::testing {
namespace {

const std::string kImage = "/docs/card-E.img";

struct ImageCardTest : FormOnCards, ::testing::Test {
  ImageCardTest() { dialogs.image_file = kImage; }
  const std::vector<std::byte>& Card() { return platform.CardOf("E").bytes; }
};

struct OfferCase {
  const char* text1;
  const char* offered;  // nullptr: the letter is refused before any dialog
};

class ImageCardOfferTest : public ImageCardTest, public ::testing::WithParamInterface<OfferCase> {};

TEST_P(ImageCardOfferTest, OffersTheLettersImageNameAndACancelChangesNothing) {
  view.controls.text1 = GetParam().text1;
  dialogs.image_file.reset();
  const auto bar_before = bar.texts;
  form.ImageCard_Click();
  EXPECT_EQ(platform.opens(), 0);
  EXPECT_TRUE(platform.files.empty());
  EXPECT_EQ(bar.texts, bar_before);
  ASSERT_EQ(dialogs.log.size(), 1u);
  EXPECT_EQ(dialogs.log[0], GetParam().offered
                                ? std::string("image|") + GetParam().offered
                                : "message|Sorry, but I think this drive letter is too low to be "
                                  "a SD drive|Korvex SD Rescure");
}

INSTANTIATE_TEST_SUITE_P(Letters, ImageCardOfferTest,
                         ::testing::Values(OfferCase{"E", "card-E.img"},
                                           OfferCase{"f:\\data", "card-F.img"},
                                           OfferCase{"c", nullptr}, OfferCase{"", nullptr}));

TEST_F(ImageCardTest, ImagesTheCardAndShowsTheOutcome) {
  form.ImageCard_Click();
  EXPECT_EQ(platform.files.at(kImage), Card());
  EXPECT_NE(bar.texts.back().first.find(MapPathOf(kImage)), std::string::npos)
      << bar.texts.back().first;
  EXPECT_FALSE(bar.texts.back().second);
}

TEST_F(ImageCardTest, StopEndsTheImageWithItsMap) {
  bar.on_events = [this] { status.RequestStop(); };
  form.ImageCard_Click();
  ASSERT_EQ(platform.files.count(MapPathOf(kImage)), 1u);
  EXPECT_LT(platform.files.at(kImage).size(), Card().size());
  EXPECT_FALSE(bar.texts.back().second) << bar.texts.back().first;
}

TEST_F(ImageCardTest, ACardThatWillNotOpenIsShownAsAFailure) {
  view.controls.text1 = "Q";
  form.ImageCard_Click();
  EXPECT_TRUE(platform.files.empty());
  EXPECT_TRUE(bar.texts.back().second) << bar.texts.back().first;
  EXPECT_FALSE(view.controls.busy);
}

}  // namespace
}  // namespace kvx::testing
