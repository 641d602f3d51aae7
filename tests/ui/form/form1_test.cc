// Form1's handlers on the scenario cards: scripts of clicks and what they
// leave (the size choice, the options, Retrieve, the card, the files copied,
// the boxes), every handler refused while an action runs, a close during one,
// the chooser, and the status bar at rest.
#include "ui/form/form1.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "tests/ui/form/form_fakes.h"

namespace kvx::testing {
namespace {

struct Form1Test : FormOnCards {
  // Clicks through `script`, words separated by blanks: a capital letter goes into
  // Text1; "3" and "^3" click line 3 alone and with Ctrl, as an extended-selection
  // list takes them; any other word is the handler of that control's click. (How
  // each toolkit's list turns clicks into a selection is its window suite's.)
  void Click(const std::string& script) {
    const std::map<std::string, void (Form1::*)()> handlers = {
        {"Command1", &Form1::Command1_Click}, {"Command2", &Form1::Command2_Click},
        {"Command3", &Form1::Command3_Click}, {"Command4", &Form1::Command4_Click},
        {"Command5", &Form1::Command5_Click}, {"Option1", &Form1::Option1_Click},
        {"Option2", &Form1::Option2_Click},   {"Text2", &Form1::Text2_DblClick},
        {"ImageCard", &Form1::ImageCard_Click}};
    std::istringstream words(script);
    for (std::string step; words >> step;) {
      MemoryControls& list = view.controls;
      if (step.size() == 1 && step[0] >= 'A' && step[0] <= 'Z') {
        list.text1 = step;
        form.Text1_Change();
      } else if (handlers.count(step)) {
        (form.*handlers.at(step))();
      } else {
        const int line = step.back() - '0';
        if (step[0] != '^') list.selected.clear();
        if (!list.selected.erase(line)) list.selected.insert(line);
        list.current_index = line;
      }
    }
  }

  // The size choice, the options, Retrieve, the card: "1 shown on closed".
  std::string State() {
    return std::to_string(static_cast<int>(form.state().SizeMode)) +
           (view.controls.size_options_visible ? " shown" : " hidden") +
           (view.controls.retrieve_enabled ? " on" : " off") +
           (form.state().Card.VolumeHandle ? " open" : " closed");
  }
};

struct Form1FormTest : Form1Test, ::testing::Test {};

struct ScriptCase {
  const char* name;
  const char* script;
  const char* state;   // see State
  const char* copied;  // the files recovered afterwards
  const char* dialog;  // the boxes and choosers shown, as ScriptedDialogs logs them
};

constexpr char kCombQuestion[] =
    "question|We will comb through every sector of SD to find all possible .KVX files\r\n\r\n"
    "The operation may take a long time\r\n\r\nDo you want to continue?|Korvex SD Rescue";

const ScriptCase kScripts[] = {
    {"NoLinesShown", "Command1 G Command1", "0 shown off open", "", ""},
    {"NoDataRegion", "H Command1", "0 hidden on open", "", ""},
    {"Fat", "Command1 Option1", "1 shown on closed", "", ""},
    {"Header", "Command1 Option1 Option2", "0 shown on closed", "", ""},
    {"Explore", "Command1 Option1 Command3", "0 hidden on closed", "", ""},
    {"CombThrough", "Command1 Command5", "0 hidden on closed", "", kCombQuestion},
    {"LetterBelowD", "Command1 Option1 C Command1", "1 shown on closed", "",
     "message|Sorry, but I think this drive letter is too low to be a SD drive|"
     "Korvex SD Rescure"},
    {"RetrieveByFat", "Command1 1 Option1 Command2", "1 shown on closed", "DATA0002.KVX", ""},
};

class Form1ScriptTest : public Form1Test, public ::testing::TestWithParam<ScriptCase> {};

// After the clicks: the state, the files, the boxes, the pointer normal; the
// window's end closes the card.
TEST_P(Form1ScriptTest, EndsAsTheScriptSays) {
  const ScriptCase& c = GetParam();
  view.controls.text2 = "out/";
  Click(c.script);
  EXPECT_EQ(State(), c.state);
  EXPECT_EQ(platform.Copied(), c.copied);
  EXPECT_EQ(dialogs.Joined(), c.dialog);
  EXPECT_FALSE(view.controls.busy);
  EXPECT_TRUE(form.Form_QueryUnload());
  form.Form_Unload();
  EXPECT_EQ(platform.open_volumes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scripts, Form1ScriptTest, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

// While each action runs, a click on anything starts nothing, asks nothing
// and changes no choice; Stop then ends it.
class Form1BusyTest : public Form1Test, public ::testing::TestWithParam<const char*> {};

TEST_P(Form1BusyTest, EveryHandlerIsRefusedWhileAnActionRuns) {
  view.controls.text2 = "out/";
  dialogs.image_file = "card-E.img";
  Click("Command1 1 ^2");
  const int opens = platform.opens();
  const std::size_t boxes = dialogs.log.size();
  const auto lines = view.controls.lines;
  bool clicked = false;
  bar.on_events = [&] {
    if (clicked) return;
    clicked = true;
    Click("Option1 Command1 Command2 Command3 Command4 Command5 Text2 ImageCard F Command1");
    status.RequestStop();
  };
  const std::string action = GetParam();
  Click(action);
  EXPECT_TRUE(clicked);
  EXPECT_EQ(platform.opens(), opens + 1);
  // The action's own question or save dialog is the only box.
  EXPECT_EQ(dialogs.log.size(), boxes + (action == "Command5" || action == "ImageCard" ? 1 : 0));
  EXPECT_EQ(form.state().SizeMode, SizeChoice::kByHeader);
  if (action != "Command3" && action != "Command5") {
    EXPECT_EQ(view.controls.lines, lines);
  }
  EXPECT_FALSE(status.Running());
  EXPECT_FALSE(view.controls.busy);
}

INSTANTIATE_TEST_SUITE_P(Actions, Form1BusyTest,
                         ::testing::Values("Command2", "Command3", "Command5", "ImageCard"));

// A close asked for during an action stops it; the window closes once it
// has ended, and its end closes the card.
TEST_F(Form1FormTest, CloseDuringAnActionWaitsForItsEnd) {
  bool may_close = true;
  bar.on_events = [&] { may_close = may_close && form.Form_QueryUnload(); };
  Click("Command5");
  EXPECT_FALSE(may_close);
  EXPECT_EQ(view.close_requests, 1);
  form.Form_Unload();
  EXPECT_EQ(platform.open_volumes(), 0);
}

struct ChooserCase {
  const char* name;
  std::optional<ChosenFile> chosen;  // nullopt: the chooser is cancelled
  const char* text2;                 // Text2 afterwards; it was "/srv/cards/"
};

class Form1ChooserTest : public Form1Test, public ::testing::TestWithParam<ChooserCase> {};

// A double-click on Text2 and a click on "..." open the same chooser.
TEST_P(Form1ChooserTest, SetsTextTwoToTheChosenFilesDirectory) {
  dialogs.file = GetParam().chosen;
  for (const char* click : {"Text2", "Command4"}) {
    view.controls.text2 = "/srv/cards/";
    Click(click);
    EXPECT_EQ(view.controls.text2, GetParam().text2) << click;
    EXPECT_EQ(dialogs.log.back(), "chooser|/srv/cards/|*.*");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Choosers, Form1ChooserTest,
    ::testing::Values(
        ChooserCase{"PickedFile", ChosenFile{"/media/out/log.kvx", "log.kvx"}, "/media/out/"},
        ChooserCase{"OfferedNameNoTitle", ChosenFile{"C:\\data\\*.*", ""}, "C:\\data\\"},
        ChooserCase{"NonAsciiTitle", ChosenFile{"C:\\m\xC3\xA4r\\\xC3\xB6l.kvx", "\xC3\xB6l.kvx"},
                    "C:\\m\xC3\xA4r\\"},
        ChooserCase{"Cancel", std::nullopt, "/srv/cards/"}),
    [](const auto& info) { return std::string(info.param.name); });

// At rest the bar names what the letter in Text1 names, and an action's
// failure shows. (How long an outcome stays is ActionStatusTest's.)
TEST_F(Form1FormTest, StatusBarNamesTheLettersCardAndThenTheOutcome) {
  EXPECT_EQ(bar.texts.back().first, "card E");
  Click("F");
  EXPECT_EQ(bar.texts.back().first, "card F");
  Click("Q Command3");
  EXPECT_TRUE(bar.texts.back().second) << bar.texts.back().first;
}

}  // namespace
}  // namespace kvx::testing
