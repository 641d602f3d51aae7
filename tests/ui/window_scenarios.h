// The window scenarios both windows run, the Qt window in its QtTest suite and
// the Win32 window in its suite under Wine: the same cards, the same scripts of
// clicks, the same expected ends. Each suite drives its own widgets through a
// WindowDriver; nothing here knows a toolkit.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "controls/outcome.h"
#include "tests/support/sector_strict_platform.h"
#include "tools/card_image/card_image.h"
#include "ui/form/dialogs.h"

namespace kvx::testing {

// Logs every box and chooser as "kind|text|title" (core text, CR LF breaks);
// answers questions with `answer` and the chooser with `file`.
struct ScriptedDialogs : Dialogs {
  std::vector<std::string> log;
  bool answer = true;
  std::optional<ChosenFile> file;

  void ShowMessage(const std::string& text, const std::string& title) override {
    log.push_back("message|" + text + "|" + title);
  }
  bool AskYesNo(const std::string& text, const std::string& title) override {
    log.push_back("question|" + text + "|" + title);
    return answer;
  }
  std::optional<ChosenFile> ChooseFile(const std::string& directory,
                                       const std::string& file_name) override {
    log.push_back("chooser|" + directory + "|" + file_name);
    return file;
  }
  std::optional<std::string> image_file;
  std::optional<std::string> ChooseImageFile(const std::string& file_name) override {
    log.push_back("image|" + file_name);
    return image_file;
  }
  std::string Joined() const {
    std::string joined;
    for (const std::string& entry : log) joined += entry;
    return joined;
  }
};

// A 2G card of 4 MiB holding DATA0001.KVX... from `first_cluster` on, each of
// 2536 bytes by the FAT and by its header; file `differing` has 4000 and 6536.
inline CardImage ScenarioCard(int first_cluster, int files, int differing = 0) {
  CardImage card(CardImage::Layout::kG2, 4 << 20);
  for (int i = 1; i <= files; ++i) {
    std::string name = "DATA000" + std::to_string(i) + ".KVX";
    card.AddEntry(name, first_cluster + i - 1, i == differing ? 4000 : 2536);
    card.PlaceFile(card.ClusterOffset(first_cluster + i - 1), i == differing ? 5000 : 1000);
  }
  return card;
}

// E: five files, the second's sizes differ; F: one file; G: no file; H: no
// data region marker where the files are. Q names no card at all.
inline std::vector<std::pair<std::string, CardImage>> ScenarioCards() {
  std::vector<std::pair<std::string, CardImage>> cards;
  cards.emplace_back("E", ScenarioCard(2, 5, 2));
  cards.emplace_back("F", ScenarioCard(2, 1));
  cards.emplace_back("G", ScenarioCard(2, 0));
  cards.emplace_back("H", ScenarioCard(3, 1));
  return cards;
}

// The scenario cards in memory, each read taking `read_time` and then calling
// `on_read` with the count of reads so far: a slow card whose reads can press
// keys and click while an action runs. A letter is described as "card E".
class SlowPlatform : public SectorStrictPlatform {
 public:
  SlowPlatform() {
    strict = false;
    for (const auto& [letter, card] : ScenarioCards()) Insert(letter, card.bytes());
  }
  std::function<void(int)> on_read = [](int) {};
  std::chrono::milliseconds read_time{0};
  int reads = 0;

  std::unique_ptr<Volume> OpenVolume(const std::string& letter) override {
    std::unique_ptr<Volume> volume = SectorStrictPlatform::OpenVolume(letter);
    if (!volume) return volume;
    return std::make_unique<SlowVolume>(std::move(volume), *this);
  }
  std::string DescribeLetter(const std::string& letter) override { return "card " + letter; }

 private:
  struct SlowVolume final : Volume {
    SlowVolume(std::unique_ptr<Volume> inner, SlowPlatform& platform)
        : inner(std::move(inner)), platform(platform) {}
    std::size_t Read(std::int64_t offset, std::span<std::byte> buffer) override {
      std::this_thread::sleep_for(platform.read_time);
      std::size_t delivered = inner->Read(offset, buffer);
      platform.on_read(++platform.reads);
      return delivered;
    }
    std::int64_t Size() const override { return inner->Size(); }
    std::unique_ptr<Volume> inner;
    SlowPlatform& platform;
  };
};

// Long enough that every read of a slow card is followed by a progress report
// the window shows and handles its events in.
inline constexpr std::chrono::milliseconds kSlowRead{110};

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
