// The window scenarios both windows run, the Qt window in its QtTest suite and
// the Win32 window in its suite under Wine: the same cards, the same scripts of
// clicks, the same expected ends. Each suite drives its own widgets through a
// WindowDriver; nothing here knows a toolkit.
#pragma once

#include <optional>
#include <sstream>
#include <string>

#include "controls/outcome.h"
#include "tests/ui/form/form_fakes.h"

namespace kvx::testing {

// What the status bar says after an outcome reported through the port.
struct StatusScenario {
  const char* name;
  Outcome outcome;
  const char* text;
  bool failure;  // drawn as a failure
};

inline const StatusScenario kStatusScenarios[] = {
    {"Copied",
     {Outcome::kDone, "Copied 3 files, 196 KB, to /data/out/"},
     "Copied 3 files, 196 KB, to /data/out/",
     false},
    {"Stopped",
     {Outcome::kStopped, "Comb Through stopped at 43 %: 2 files"},
     "Comb Through stopped at 43 %: 2 files",
     false},
    {"Failed",
     {Outcome::kFailed, "/dev/sdb: permission denied: run as root or join the disk group"},
     "Failed: /dev/sdb: permission denied: run as root or join the disk group",
     true},
};

// A window as a scenario works it, implemented per toolkit over real widgets.
class WindowDriver {
 public:
  enum class Click { kAlone, kWithCtrl, kWithShift };

  virtual ~WindowDriver() = default;
  virtual void TypeLetter(const std::string& letter) = 0;  // into Text1
  virtual void AnswerNo() = 0;                             // the next questions
  virtual void ClickControl(const std::string& name) = 0;
  virtual void ClickLine(int line, Click click) = 0;
  virtual int SizeMode() const = 0;
  virtual bool Option1Checked() const = 0;
  virtual int OptionsVisible() const = 0;
  virtual bool RetrieveEnabled() const = 0;
  virtual bool CardOpen() const = 0;
};

// Runs `script`, words separated by blanks: a capital letter goes into Text1;
// "No" answers the next question; "3", "^3" and "+3" click line 3 of List1
// alone, with Ctrl and with Shift; any other word clicks that control.
inline void RunScript(WindowDriver& window, const std::string& script) {
  std::istringstream words(script);
  for (std::string step; words >> step;) {
    if (step.size() == 1 && step[0] >= 'A' && step[0] <= 'Z') {
      window.TypeLetter(step);
    } else if (step == "No") {
      window.AnswerNo();
    } else if (step[0] >= 'A' && step[0] <= 'Z') {
      window.ClickControl(step);
    } else {
      auto click = step[0] == '^'   ? WindowDriver::Click::kWithCtrl
                   : step[0] == '+' ? WindowDriver::Click::kWithShift
                                    : WindowDriver::Click::kAlone;
      window.ClickLine(step.back() - '0', click);
    }
  }
}

// SizeMode, the option checked, how many options show, whether Retrieve is
// on, whether the card is open: "1 FAT 2 on closed".
inline std::string StateOf(const WindowDriver& window) {
  return std::to_string(window.SizeMode()) + (window.Option1Checked() ? " FAT " : " header ") +
         std::to_string(window.OptionsVisible()) + (window.RetrieveEnabled() ? " on" : " off") +
         (window.CardOpen() ? " open" : " closed");
}

struct WindowScenario {
  const char* name;
  const char* script;
  const char* state;   // see StateOf; empty: not looked at
  const char* copied;  // the files in the target directory afterwards
  const char* dialog;  // the boxes and choosers shown, as ScriptedDialogs logs them
};

inline constexpr char kCombQuestion[] =
    "question|We will comb through every sector of SD to find all possible .KVX files\r\n\r\n"
    "The operation may take a long time\r\n\r\nDo you want to continue?|Korvex SD Rescue";

// Each starts on a fresh window, with Text2 naming an empty target directory.
inline const WindowScenario kWindowScenarios[] = {
    {"DifferingSizes", "Command1", "0 header 2 on closed", "", ""},
    {"AgreeingSizes", "Command1 F Command1", "0 header 0 on closed", "", ""},
    {"NoLinesShown", "Command1 G Command1", "0 header 2 off open", "", ""},
    {"NoDataRegion", "H Command1", "0 header 0 on open", "", ""},
    {"Fat", "Command1 Option1", "1 FAT 2 on closed", "", ""},
    {"Header", "Command1 Option1 Option2", "0 header 2 on closed", "", ""},
    {"Explore", "Command1 Option1 Command3", "0 FAT 0 on closed", "", ""},
    // Explore leaves Option1 checked: a click on it must still choose the FAT size.
    {"FatAfterExplore", "Command1 Option1 Command3 Command1 Option1", "1 FAT 2 on closed", "", ""},
    {"ExploreNoCard", "Command1 Option1 Q Command3", "0 FAT 0 on closed", "", ""},
    {"CombThrough", "Command1 Command5", "0 header 0 on closed", "", kCombQuestion},
    {"CombThroughAnsweredNo", "Command1 Option1 No Command5", "1 FAT 2 on closed", "",
     kCombQuestion},
    {"LetterBelowD", "Command1 Option1 C Command1", "1 FAT 2 on closed", "",
     "message|Sorry, but I think this drive letter is too low to be a SD drive|"
     "Korvex SD Rescure"},
    // Retrieve reads the card the list came from, whatever Text1 says by then.
    {"RetrieveAfterAnotherLetter", "Command1 1 Q Command2", "0 header 2 on closed", "DATA0002.KVX",
     ""},
    {"Click", "Command1 1 3 Command2", "", "DATA0004.KVX", ""},
    {"CtrlClick", "Command1 1 ^3 Command2", "", "DATA0002.KVX DATA0004.KVX", ""},
    // The current line is then one that is not selected.
    {"CtrlClickAgain", "Command1 1 ^3 ^1 Command2", "", "DATA0004.KVX", ""},
    {"ShiftClick", "Command1 1 +3 Command2", "", "DATA0002.KVX DATA0003.KVX DATA0004.KVX", ""},
    {"RetrieveByFat", "Command1 1 Option1 Command2", "1 FAT 2 on closed", "DATA0002.KVX", ""},
};

struct ChooserScenario {
  const char* name;
  std::optional<ChosenFile> chosen;  // nullopt: the chooser is cancelled
  const char* text2;                 // Text2 afterwards; it was "/srv/cards/"
};

inline const ChooserScenario kChooserScenarios[] = {
    {"PickedFile", ChosenFile{"/media/out/log.kvx", "log.kvx"}, "/media/out/"},
    {"OfferedNameKept", ChosenFile{"C:\\data\\*.*", "*.*"}, "C:\\data\\"},
    {"OfferedNameNoTitle", ChosenFile{"C:\\data\\*.*", ""}, "C:\\data\\"},
    {"TypedName", ChosenFile{"D:\\out\\a.kvx", "a.kvx"}, "D:\\out\\"},
    {"NonAsciiTitle", ChosenFile{"C:\\m\xC3\xA4r\\\xC3\xB6l.kvx", "\xC3\xB6l.kvx"},
     "C:\\m\xC3\xA4r\\"},
    {"Cancel", std::nullopt, "/srv/cards/"},
};

}  // namespace kvx::testing
