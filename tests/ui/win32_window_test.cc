// The Win32 window, driven as another program would drive it: window
// messages to its controls (WM_SETTEXT, BM_CLICK, LB_SETSEL), its state read
// back the same way. Message boxes and the chooser answer from a script. The
// scenarios are the Qt window's (window_scenarios.h); the actions' reads on a
// card that refuses reads off sector boundaries are the core suite's. Then the status bar and the window during an action, on
// slow in-memory cards whose reads post input to the window.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "tests/support/sector_strict_platform.h"
#include "tests/ui/window_scenarios.h"
#include "ui/form/form_controls.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/win32_window.h"

namespace kvx::testing {
namespace {

constexpr char kTarget[] = "T:\\out\\";

std::string TextOf(HWND control) {
  wchar_t text[4096] = {};
  SendMessageW(control, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return Utf8Text(text);
}

// A control's place in the window's client area, in pixels.
RECT PlaceOf(HWND control) {
  RECT place;
  GetWindowRect(control, &place);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

struct Win32Form final : WindowDriver {
  Win32Form() {
    platform.strict = false;
    for (const auto& [letter, card] : ScenarioCards()) platform.Insert(letter, card.bytes());
    window = std::make_unique<Win32Window>(dialogs, platform, false);
    window->Show(SW_SHOWNOACTIVATE);
  }
  HWND Find(const char* name) const { return window->Control(name); }
  void Type(const char* box, const std::string& text) {
    SendMessageW(Find(box), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(WideText(text).c_str()));
  }

  void TypeLetter(const std::string& letter) override { Type("Text1", letter); }
  void AnswerNo() override { dialogs.answer = false; }
  // Only what a person could click: shown and enabled.
  void ClickControl(const std::string& name) override {
    HWND control = Find(name.c_str());
    if (IsWindowVisible(control) && IsWindowEnabled(control)) SendMessageW(control, BM_CLICK, 0, 0);
  }
  // What a click does in an extended-selection list box; Shift selects from
  // the line last clicked without Shift.
  void ClickLine(int line, Click click) override {
    HWND list = Find("List1");
    if (click == Click::kWithCtrl) {
      bool selected = SendMessageW(list, LB_GETSEL, line, 0) > 0;
      SendMessageW(list, LB_SETSEL, !selected, line);
    } else {
      SendMessageW(list, LB_SETSEL, FALSE, -1);
      int from = click == Click::kWithShift ? anchor : line;
      SendMessageW(list, LB_SELITEMRANGE, TRUE, MAKELPARAM(std::min(from, line), std::max(from, line)));
    }
    if (click != Click::kWithShift) anchor = line;
    SendMessageW(list, LB_SETCARETINDEX, line, FALSE);
  }
  int SizeMode() const override { return static_cast<int>(window->state().SizeMode); }
  bool Option1Checked() const override {
    return SendMessageW(Find("Option1"), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  int OptionsVisible() const override {
    return IsWindowVisible(Find("Option1")) + IsWindowVisible(Find("Option2"));
  }
  bool RetrieveEnabled() const override { return IsWindowEnabled(Find("Command2")); }
  bool CardOpen() const override { return window->state().Card.VolumeHandle != nullptr; }

  // The names of the recovered files written, in name order.
  std::string Copied() const {
    std::string names;
    for (const auto& [path, bytes] : platform.files) {
      if (!path.ends_with(".KVX")) continue;  // the rescue's record
      names += (names.empty() ? "" : " ") + path.substr(path.find_last_of('\\') + 1);
    }
    return names;
  }

  ScriptedDialogs dialogs;
  SectorStrictPlatform platform;
  std::unique_ptr<Win32Window> window;
  int anchor = 0;
};

class Win32PlacesTest : public ::testing::TestWithParam<int> {};

// Every control of the form's table at its place at 96 and at 144 dots per
// inch, the second reached as a move to another monitor reaches it.
TEST_P(Win32PlacesTest, ControlsSitWhereTheTableSaysAtTheWindowsResolution) {
  const int dpi = GetParam();
  Win32Form form;
  ASSERT_EQ(form.window->dpi(), 96) << "Wine's display should start at 96 dots per inch";
  if (dpi != 96) {
    RECT suggested{10, 10, 1000, 700};
    SendMessageW(form.window->handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
  }
  // The form's area, and the status bar under it across the window's width.
  RECT client;
  GetClientRect(form.window->handle(), &client);
  RECT bar = PlaceOf(form.window->status_bar());
  EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips, dpi));
  EXPECT_EQ(bar.top, TwipsToPixels(kClientHeightTwips, dpi));
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.right, client.right);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_GT(bar.bottom - bar.top, 10);
  for (const FormControl& control : Form1Controls()) {
    TwipsRect twips = PlaceInWindow(control);
    RECT place = PlaceOf(form.Find(control.name));
    EXPECT_EQ(place.left, TwipsToPixels(twips.left, dpi)) << control.name;
    EXPECT_EQ(place.top, TwipsToPixels(twips.top, dpi)) << control.name;
    EXPECT_EQ(place.right - place.left, TwipsToPixels(twips.width, dpi)) << control.name;
    EXPECT_EQ(place.bottom - place.top, TwipsToPixels(twips.height, dpi)) << control.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Resolutions, Win32PlacesTest, ::testing::Values(96, 144));

TEST(Win32WindowTest, StartsAsTheTableSaysWithTextOneFocusedAndTabInTableOrder) {
  Win32Form form;
  EXPECT_EQ(TextOf(form.window->handle()), "Korvex SD Rescue");
  EXPECT_FALSE(GetWindowLongW(form.window->handle(), GWL_STYLE) & WS_THICKFRAME);
  for (const FormControl& control : Form1Controls()) {
    HWND handle = form.Find(control.name);
    ASSERT_NE(handle, nullptr) << control.name;
    EXPECT_EQ(TextOf(handle), control.caption) << control.name;
    EXPECT_EQ(bool(IsWindowVisible(handle)), control.visible) << control.name;
    EXPECT_EQ(bool(IsWindowEnabled(handle)), control.enabled) << control.name;
    if (control.kind == ControlKind::kOptionButton) {
      EXPECT_EQ(SendMessageW(handle, BM_GETCHECK, 0, 0) == BST_CHECKED, control.selected);
    }
  }
  EXPECT_EQ(GetWindowLongW(form.Find("List1"), GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_SORT),
            LBS_EXTENDEDSEL);
  EXPECT_EQ(GetFocus(), form.Find("Text1"));
  // Tab passes the hidden options by, and Command2 once enabled.
  EnableWindow(form.Find("Command2"), TRUE);
  std::string visited;
  HWND control = GetFocus();
  for (int step = 0; step < 9; ++step) {
    visited += std::string(step ? " " : "");
    for (const FormControl& c : Form1Controls()) {
      if (form.Find(c.name) == control) visited += c.name;
    }
    control = GetNextDlgTabItem(form.window->handle(), control, FALSE);
  }
  EXPECT_EQ(visited, "Text1 Command1 List1 Command2 Command3 Text2 Command4 Command5 Text1");
}

TEST(Win32WindowTest, QuickSearchShowsTheReportWithItsLineBreaksAndTheLines) {
  Win32Form form;
  form.ClickControl("Command1");
  EXPECT_EQ(TextOf(form.Find("Label2")),
            "This is a ZENTO SD\r\n\r\nZENTO Firmware: 2G\r\nSD Name: ZENTOXC2\r\n"
            "Sector/Cluster: 64\r\nNumber of FAT(s): 1\r\nMax Root Dir Entries: 512");
  wchar_t line[256];
  ASSERT_EQ(SendMessageW(form.Find("List1"), LB_GETCOUNT, 0, 0), 5);
  SendMessageW(form.Find("List1"), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(Utf8Text(line), "DATA0002.KVX         SizeH: 6536 or SizeF: 4000 @174080");
}

// The system menu's item and Ctrl+I ask the save dialog for the letter's
// image; a cancel images nothing.
TEST(Win32WindowTest, SystemMenuItemAndCtrlIAskForTheImagesName) {
  Win32Form form;
  form.Type("Text1", "e");
  HMENU menu = GetSystemMenu(form.window->handle(), FALSE);
  wchar_t item[64] = {};
  ASSERT_GT(GetMenuStringW(menu, kImageCardCommand, item, 64, MF_BYCOMMAND), 0);
  EXPECT_EQ(Utf8Text(item), "Image card to file...\tCtrl+I");
  SendMessageW(form.window->handle(), WM_SYSCOMMAND, kImageCardCommand, 0);
  MSG ctrl_i{form.Find("Text1"), WM_KEYDOWN, 'I', 0, 0, {}};
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  EXPECT_TRUE(form.window->RunShortcut(ctrl_i));
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_FALSE(form.window->RunShortcut(ctrl_i));
  EXPECT_EQ(form.dialogs.Joined(), "image|card-E.imgimage|card-E.img");
  EXPECT_TRUE(form.platform.files.empty());
}

class Win32ScenarioTest : public ::testing::TestWithParam<WindowScenario> {};

// A scenario's clicks, and after them: the window's state, the files
// recovered, the boxes shown, the pointer normal; closing closes the card.
TEST_P(Win32ScenarioTest, EndsAsTheScenarioSays) {
  const WindowScenario& scenario = GetParam();
  Win32Form form;
  form.Type("Text2", kTarget);
  RunScript(form, scenario.script);
  if (*scenario.state) {
    EXPECT_EQ(StateOf(form), scenario.state);
  }
  EXPECT_EQ(form.dialogs.Joined(), scenario.dialog);
  EXPECT_EQ(form.Copied(), scenario.copied);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  SendMessageW(form.window->handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form.CardOpen());
  EXPECT_EQ(form.platform.open_volumes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Win32ScenarioTest, ::testing::ValuesIn(kWindowScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

class Win32ChooserTest : public ::testing::TestWithParam<ChooserScenario> {};

// A double-click on Text2 and a click on "..." open the same chooser.
TEST_P(Win32ChooserTest, SetsTextTwoToTheChosenDirectory) {
  const ChooserScenario& scenario = GetParam();
  Win32Form form;
  form.dialogs.file = scenario.chosen;
  for (bool by_button : {false, true}) {
    form.Type("Text2", "/srv/cards/");
    if (by_button) {
      form.ClickControl("Command4");
    } else {
      SendMessageW(form.Find("Text2"), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    }
    EXPECT_EQ(TextOf(form.Find("Text2")), scenario.text2);
    EXPECT_EQ(form.dialogs.log.at(by_button), "chooser|/srv/cards/|*.*");
  }
}

INSTANTIATE_TEST_SUITE_P(Choosers, Win32ChooserTest, ::testing::ValuesIn(kChooserScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

// The normal pointer over a box shown while busy, the hourglass again after
// it, and the normal pointer once an action has ended.
TEST(Win32WindowTest, PointerIsNormalOverABoxAndAfterAnAction) {
  struct WatchedDialogs final : ScriptedDialogs {
    HCURSOR seen = nullptr;
    void ShowMessage(const std::string& text, const std::string& title) override {
      seen = GetCursor();
      ScriptedDialogs::ShowMessage(text, title);
    }
  } dialogs;
  SectorStrictPlatform platform;
  Win32Window window(dialogs, platform, false);
  const HCURSOR wait = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
  const HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window.SetBusyPointer(true);
  EXPECT_EQ(GetCursor(), wait);
  window.ShowMessage("a box while busy", "");
  EXPECT_EQ(dialogs.seen, arrow);
  EXPECT_EQ(GetCursor(), wait);
  SendMessageW(window.Control("Command3"), BM_CLICK, 0, 0);
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_EQ(dialogs.log.front(), "message|a box while busy|Korvex SD Rescure");
}

// The window on slow in-memory cards; the platform's reads can act on it.
struct SlowWin32Form {
  SlowWin32Form() : window(dialogs, platform, false) {
    window.Show(SW_SHOWNOACTIVATE);
    platform.read_time = kSlowRead;
  }
  std::string Status() const {
    wchar_t text[512] = {};
    SendMessageW(window.status_bar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return Utf8Text(text);
  }
  bool ShowsFailure() const { return SendMessageW(window.status_bar(), SB_GETICON, 0, 0) != 0; }
  void Click(HWND control) {
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  }
  bool Running() const { return IsWindowEnabled(window.stop_button()); }
  // Handles what the window posted itself, as the program's message loop does.
  static void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

  ScriptedDialogs dialogs;
  SlowPlatform platform;
  Win32Window window;
};

TEST(Win32StatusBarTest, SaysWhatTheLetterNamesAndEachOutcome) {
  SlowWin32Form form;
  EXPECT_EQ(form.Status(), "card E");
  SetWindowTextW(form.window.Control("Text1"), L"f");
  EXPECT_EQ(form.Status(), "card F");
  for (const StatusScenario& scenario : kStatusScenarios) {
    form.window.ReportOutcome(scenario.outcome);
    EXPECT_EQ(form.Status(), scenario.text) << scenario.name;
    EXPECT_EQ(form.ShowsFailure(), scenario.failure) << scenario.name;
  }
  SetWindowTextW(form.window.Control("Text1"), L"G");
  EXPECT_EQ(form.Status(), "card G");
  EXPECT_FALSE(form.ShowsFailure());
}

// Set by the watchers below, which have no context of their own.
HWND watched_stop_button = nullptr;
bool timer_during_action = false;
int paints_during_action = 0;

LRESULT CALLBACK CountPaints(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
  if (message == WM_PAINT && IsWindowEnabled(watched_stop_button)) ++paints_during_action;
  return DefSubclassProc(window, message, w, l);
}

// During a Comb Through of a slow card: clicks and keys have no effect,
// while timers fire, the window repaints and the bar shows progress.
TEST(Win32StatusBarTest, ControlsRefuseInputDuringAnActionWhileTimersAndPaintRun) {
  SlowWin32Form form;
  watched_stop_button = form.window.stop_button();
  timer_during_action = false;
  paints_during_action = 0;
  SetWindowSubclass(form.window.handle(), &CountPaints, 0, 0);
  std::string progress_seen;
  form.platform.on_read = [&](int read) {
    if (read == 2) {
      SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        timer_during_action = IsWindowEnabled(watched_stop_button);
      });
      InvalidateRect(form.window.handle(), nullptr, TRUE);
      form.Click(form.window.Control("Command1"));
      form.Click(form.window.Control("Command3"));
      PostMessageW(form.window.Control("Text1"), WM_KEYDOWN, 'X', 0);
      PostMessageW(form.window.Control("Text1"), WM_CHAR, 'X', 0);
    }
    if (form.Running()) progress_seen = form.Status();
  };
  SendMessageW(form.window.Control("Command5"), BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(form.window.Control("Text1")), "E");
  EXPECT_EQ(form.platform.opens(), 1);  // no second action
  EXPECT_TRUE(timer_during_action);
  EXPECT_GT(paints_during_action, 0);
  EXPECT_EQ(progress_seen.rfind("Read ", 0), 0u) << progress_seen;
  EXPECT_NE(progress_seen.find(" of 4.0 MB ("), std::string::npos) << progress_seen;
  EXPECT_FALSE(form.Running());
  RemoveWindowSubclass(form.window.handle(), &CountPaints, 0);
}

// Esc or a click on Stop while a long action runs asks it to stop; the next
// action starts without the request.
class Win32StopTest : public ::testing::TestWithParam<bool> {};

TEST_P(Win32StopTest, AsksTheRunningActionToStop) {
  const bool by_button = GetParam();
  SlowWin32Form form;
  bool asked_before = true;
  form.platform.on_read = [&](int read) {
    if (read != 2) return;
    asked_before = form.window.StopRequested();
    if (by_button) {
      form.Click(form.window.stop_button());
    } else {
      PostMessageW(form.window.Control("List1"), WM_KEYDOWN, VK_ESCAPE, 0);
    }
  };
  SendMessageW(form.window.Control("Command5"), BM_CLICK, 0, 0);
  EXPECT_FALSE(asked_before);
  EXPECT_TRUE(form.window.StopRequested());
  form.platform.on_read = [&](int) { asked_before = form.window.StopRequested(); };
  SendMessageW(form.window.Control("Command5"), BM_CLICK, 0, 0);
  EXPECT_FALSE(asked_before);
}

INSTANTIATE_TEST_SUITE_P(EscOrButton, Win32StopTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Stop" : "Esc"; });

// Closing the window during an action stops it, then closes the window and
// the card.
TEST(Win32StatusBarTest, CloseDuringAnActionStopsItThenCloses) {
  SlowWin32Form form;
  form.platform.on_read = [&](int read) {
    if (read == 2) PostMessageW(form.window.handle(), WM_CLOSE, 0, 0);
  };
  SendMessageW(form.window.Control("Command5"), BM_CLICK, 0, 0);
  EXPECT_TRUE(form.window.StopRequested());
  EXPECT_NE(form.window.handle(), nullptr);  // still open when the action ended
  SlowWin32Form::Pump();
  EXPECT_EQ(form.window.handle(), nullptr);
  EXPECT_EQ(form.platform.open_volumes(), 0);
}

}  // namespace
}  // namespace kvx::testing
