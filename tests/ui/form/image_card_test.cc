// "Image card to file..." at the form: the save dialog's offer, a cancel, the
// card imaged with its progress and outcome in the status bar, Stop, and no
// second action while it runs.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/memory_controls.h"
#include "imaging/card_imager.h"
#include "tests/support/memory_platform.h"
#include "ui/form/form1.h"

namespace kvx::testing {
namespace {

const std::string kImage = "/docs/card-E.img";

struct FakeDialogs final : Dialogs {
  std::vector<std::string> offered;  // the names the save dialog offered
  std::vector<ShownMessage> messages;
  std::optional<std::string> image_file = kImage;

  void ShowMessage(const std::string& text, const std::string& title) override {
    messages.push_back({text, title});
  }
  bool AskYesNo(const std::string&, const std::string&) override { return true; }
  std::optional<ChosenFile> ChooseFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseImageFile(const std::string& file_name) override {
    offered.push_back(file_name);
    return image_file;
  }
};

// The form's view over controls held in memory.
struct FakeView final : FormView {
  MemoryControls controls;
  std::string Text1() const override { return controls.Text1(); }
  std::string Text2() const override { return controls.Text2(); }
  void SetText2(const std::string& text) override { controls.text2 = text; }
  void CloseWindow() override {}
  void SetCaption(Label label, const std::string& caption) override {
    controls.SetCaption(label, caption);
  }
  void ClearList() override { controls.ClearList(); }
  void AppendLine(const std::string& line) override { controls.AppendLine(line); }
  int LineCount() const override { return controls.LineCount(); }
  bool IsSelected(int line) const override { return controls.IsSelected(line); }
  int SelectedCount() const override { return controls.SelectedCount(); }
  int CurrentIndex() const override { return controls.CurrentIndex(); }
  void SetSizeOptionsVisible(bool visible) override { controls.SetSizeOptionsVisible(visible); }
  void SetRetrieveEnabled(bool enabled) override { controls.SetRetrieveEnabled(enabled); }
  void SetBusyPointer(bool busy) override { controls.SetBusyPointer(busy); }
  void ShowMessage(const std::string& text, const std::string& title) override {
    controls.ShowMessage(text, title);
  }
  bool AskYesNo(const std::string& text, const std::string& title) override {
    return controls.AskYesNo(text, title);
  }
};

struct FakeBar final : StatusBarView {
  std::vector<std::pair<std::string, bool>> texts;  // text, shown as a failure
  std::function<void()> on_events;
  void ShowStatusText(const std::string& text, bool failure) override {
    texts.emplace_back(text, failure);
  }
  void ShowProgressBar(std::optional<int>) override {}
  void EnableStop(bool) override {}
  void ProcessWindowEvents() override {
    if (on_events) on_events();
  }
};

class ImageCardTest : public ::testing::Test {
 protected:
  ImageCardTest() {
    platform.Insert("E", std::vector<std::byte>(3 << 20, std::byte{0x5A}));
    form.Form_Load();
  }

  // A clock a second further on at each look, so every report is due.
  ActionStatus::Clock::time_point Tick() { return now += std::chrono::seconds(1); }

  FakeView view;
  FakeDialogs dialogs;
  MemoryPlatform platform;
  FakeBar bar;
  ActionStatus::Clock::time_point now{};
  ActionStatus status{bar, [this] { return Tick(); }};
  Form1 form{view, dialogs, platform, status};
};

struct OfferCase {
  const char* text1;
  const char* offered;  // nullptr: the letter is refused before any dialog
};

class ImageCardOfferTest : public ImageCardTest,
                           public ::testing::WithParamInterface<OfferCase> {};

TEST_P(ImageCardOfferTest, OffersTheLettersImageNameAndACancelChangesNothing) {
  view.controls.text1 = GetParam().text1;
  dialogs.image_file.reset();
  const auto bar_before = bar.texts;
  form.ImageCard_Click();
  EXPECT_EQ(platform.opens(), 0);
  EXPECT_TRUE(platform.files.empty());
  if (GetParam().offered == nullptr) {
    EXPECT_TRUE(dialogs.offered.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    return;
  }
  EXPECT_EQ(dialogs.offered, std::vector<std::string>{GetParam().offered});
  EXPECT_EQ(bar.texts, bar_before);
}

INSTANTIATE_TEST_SUITE_P(Letters, ImageCardOfferTest,
                         ::testing::Values(OfferCase{"E", "card-E.img"},
                                           OfferCase{"f:\\data", "card-F.img"},
                                           OfferCase{"c", nullptr}, OfferCase{"", nullptr}));

TEST_F(ImageCardTest, ImagesTheCardAndShowsTheOutcome) {
  form.ImageCard_Click();
  ASSERT_EQ(platform.files.count(kImage), 1u);
  EXPECT_EQ(platform.files.at(kImage), std::vector<std::byte>(3 << 20, std::byte{0x5A}));
  EXPECT_EQ(platform.files.count(MapPathOf(kImage)), 1u);
  ASSERT_FALSE(bar.texts.empty());
  EXPECT_NE(bar.texts.back().first.find(MapPathOf(kImage)), std::string::npos)
      << bar.texts.back().first;
  EXPECT_FALSE(bar.texts.back().second);
  EXPECT_FALSE(view.controls.busy);
  EXPECT_FALSE(status.Running());
}

TEST_F(ImageCardTest, StopEndsTheImageWithItsMapAndNoOtherActionRunsMeanwhile) {
  bar.on_events = [this] {
    form.Command1_Click();  // refused: the image is being made
    form.ImageCard_Click();
    status.RequestStop();
  };
  form.ImageCard_Click();
  EXPECT_EQ(platform.opens(), 1);
  EXPECT_EQ(dialogs.offered.size(), 1u);
  EXPECT_TRUE(view.controls.lines.empty());
  ASSERT_EQ(platform.files.count(MapPathOf(kImage)), 1u);
  EXPECT_LT(platform.files.at(kImage).size(), std::size_t{3} << 20);
  EXPECT_FALSE(bar.texts.back().second) << bar.texts.back().first;
  EXPECT_FALSE(status.Running());
}

TEST_F(ImageCardTest, ACardThatWillNotOpenIsShownAsAFailure) {
  view.controls.text1 = "F";
  form.ImageCard_Click();
  EXPECT_TRUE(platform.files.empty());
  ASSERT_FALSE(bar.texts.empty());
  EXPECT_TRUE(bar.texts.back().second) << bar.texts.back().first;
  EXPECT_FALSE(view.controls.busy);
}

}  // namespace
}  // namespace kvx::testing
