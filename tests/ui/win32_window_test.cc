// What the Win32 window itself does, driven as another program would drive it:
// window messages to its controls (WM_SETTEXT, BM_CLICK, LB_SETSEL), its state
// read back the same way, on slow in-memory cards whose reads post input to
// the window; and the system's own message boxes, answered from another
// thread. What the form does with its controls is the form's suite's.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/ui/form/form_fakes.h"
#include "ui/form/form_controls.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/win32_dialogs.h"
#include "ui/win32/win32_window.h"

namespace kvx::testing {
namespace {

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

// The window on the scenario cards in memory (slow once `platform.read_time`
// is set); the platform's reads can act on it. Boxes answer from a script.
struct Win32Form {
  Win32Form() : window(dialogs, platform, false) { window.Show(SW_SHOWNOACTIVATE); }
  HWND Find(const char* name) const { return window.Control(name); }
  void Type(const char* box, const std::string& text) {
    SendMessageW(Find(box), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(WideText(text).c_str()));
  }
  void ClickControl(const char* name) { SendMessageW(Find(name), BM_CLICK, 0, 0); }
  // A click as the mouse makes it, posted for the window's event handling.
  static void PostClick(HWND control) {
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  }
  std::string Status() const {
    wchar_t text[512] = {};
    SendMessageW(window.status_bar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return Utf8Text(text);
  }
  bool ShowsFailure() const { return SendMessageW(window.status_bar(), SB_GETICON, 0, 0) != 0; }
  bool Running() const { return IsWindowEnabled(window.stop_button()); }

  ScriptedDialogs dialogs;
  SlowPlatform platform;
  Win32Window window;
};

class Win32PlacesTest : public ::testing::TestWithParam<int> {};

// Every control of the form's table, with its caption and state, at its
// place at 96 and at 144 dots per inch, the second reached as a move to
// another monitor reaches it; the window is of fixed size.
TEST_P(Win32PlacesTest, ControlsAreMadeAsTheTableSaysAtTheWindowsResolution) {
  const int dpi = GetParam();
  Win32Form form;
  ASSERT_EQ(form.window.dpi(), 96) << "Wine's display should start at 96 dots per inch";
  if (dpi != 96) {
    RECT suggested{10, 10, 1000, 700};
    SendMessageW(form.window.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
  }
  EXPECT_EQ(TextOf(form.window.handle()), "Korvex SD Rescue");
  EXPECT_FALSE(GetWindowLongW(form.window.handle(), GWL_STYLE) & WS_THICKFRAME);
  // The form's area, and the status bar under it across the window's width.
  RECT client;
  GetClientRect(form.window.handle(), &client);
  RECT bar = PlaceOf(form.window.status_bar());
  EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips, dpi));
  EXPECT_EQ(bar.top, TwipsToPixels(kClientHeightTwips, dpi));
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.right, client.right);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_GT(bar.bottom - bar.top, 10);
  for (const FormControl& control : Form1Controls()) {
    HWND handle = form.Find(control.name);
    ASSERT_NE(handle, nullptr) << control.name;
    EXPECT_EQ(TextOf(handle), control.caption) << control.name;
    EXPECT_EQ(bool(IsWindowVisible(handle)), control.visible) << control.name;
    EXPECT_EQ(bool(IsWindowEnabled(handle)), control.enabled) << control.name;
    if (control.kind == ControlKind::kOptionButton) {
      EXPECT_EQ(SendMessageW(handle, BM_GETCHECK, 0, 0) == BST_CHECKED, control.selected);
    }
    TwipsRect twips = PlaceInWindow(control);
    RECT place = PlaceOf(handle);
    EXPECT_EQ(place.left, TwipsToPixels(twips.left, dpi)) << control.name;
    EXPECT_EQ(place.top, TwipsToPixels(twips.top, dpi)) << control.name;
    EXPECT_EQ(place.right - place.left, TwipsToPixels(twips.width, dpi)) << control.name;
    EXPECT_EQ(place.bottom - place.top, TwipsToPixels(twips.height, dpi)) << control.name;
  }
  EXPECT_EQ(GetWindowLongW(form.Find("List1"), GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_SORT),
            LBS_EXTENDEDSEL);
  EXPECT_EQ(form.Status(), "card E");
  EXPECT_FALSE(form.Running());
  EXPECT_EQ(GetFocus(), form.Find("Text1"));
}

INSTANTIATE_TEST_SUITE_P(Resolutions, Win32PlacesTest, ::testing::Values(96, 144));

// The system menu's item and Ctrl+I ask the save dialog for the letter's
// image; a cancel images nothing.
TEST(Win32WindowTest, SystemMenuItemAndCtrlIAskForTheImagesName) {
  Win32Form form;
  form.Type("Text1", "e");
  HMENU menu = GetSystemMenu(form.window.handle(), FALSE);
  wchar_t item[64] = {};
  ASSERT_GT(GetMenuStringW(menu, kImageCardCommand, item, 64, MF_BYCOMMAND), 0);
  EXPECT_EQ(Utf8Text(item), "Image card to file...\tCtrl+I");
  SendMessageW(form.window.handle(), WM_SYSCOMMAND, kImageCardCommand, 0);
  MSG ctrl_i{form.Find("Text1"), WM_KEYDOWN, 'I', 0, 0, {}};
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  EXPECT_TRUE(form.window.RunShortcut(ctrl_i));
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_FALSE(form.window.RunShortcut(ctrl_i));
  EXPECT_EQ(form.dialogs.Joined(), "image|card-E.imgimage|card-E.img");
  EXPECT_TRUE(form.platform.files.empty());
}

// The form reads the list box's selection and its caret line, here a line
// left unselected: Retrieve copies the line selected; the pointer is normal
// after; closing closes the card.
TEST(Win32WindowTest, RetrieveCopiesTheLinesTheListSelects) {
  Win32Form form;
  form.Type("Text2", "T:\\out\\");
  form.ClickControl("Command1");
  HWND list = form.Find("List1");
  SendMessageW(list, LB_SETSEL, TRUE, 3);
  SendMessageW(list, LB_SETCARETINDEX, 1, FALSE);
  form.ClickControl("Command2");
  EXPECT_EQ(form.platform.Copied(), "DATA0004.KVX");
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  SendMessageW(form.window.handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form.platform.open_volumes(), 0);
}

// A double-click on Text2 and a click on "..." open the same chooser.
TEST(Win32WindowTest, ChooserSetsTextTwoToTheChosenDirectory) {
  Win32Form form;
  form.dialogs.file = ChosenFile{"D:\\out\\a.kvx", "a.kvx"};
  for (bool by_button : {false, true}) {
    form.Type("Text2", "/srv/cards/");
    if (by_button) {
      form.ClickControl("Command4");
    } else {
      SendMessageW(form.Find("Text2"), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    }
    EXPECT_EQ(TextOf(form.Find("Text2")), "D:\\out\\");
    EXPECT_EQ(form.dialogs.log.at(by_button), "chooser|/srv/cards/|*.*");
  }
}

// Set by the timer below, which has no context of its own.
HWND watched_stop_button = nullptr;
bool timer_during_action = false;

// During a Comb Through of a slow card: clicks and keys have no effect,
// while timers fire and the bar shows progress; a failed outcome then shows
// its icon until the letter changes.
TEST(Win32WindowTest, ControlsRefuseInputDuringAnActionWhileTimersRun) {
  Win32Form form;
  form.platform.read_time = kSlowRead;
  watched_stop_button = form.window.stop_button();
  timer_during_action = false;
  std::string progress_seen;
  form.platform.on_read = [&](int read) {
    if (read == 2) {
      SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        timer_during_action = IsWindowEnabled(watched_stop_button);
      });
      Win32Form::PostClick(form.Find("Command1"));
      Win32Form::PostClick(form.Find("Command3"));
      Win32Form::PostClick(form.Find("Text2"));  // would take the focus
      PostMessageW(form.Find("Text1"), WM_KEYDOWN, 'X', 0);
      PostMessageW(form.Find("Text1"), WM_CHAR, 'X', 0);
    }
    if (form.Running()) progress_seen = form.Status();
  };
  form.ClickControl("Command5");
  EXPECT_EQ(TextOf(form.Find("Text1")), "E");
  EXPECT_EQ(form.platform.opens(), 1);  // no second action
  EXPECT_NE(GetFocus(), form.Find("Text2"));
  EXPECT_TRUE(timer_during_action);
  EXPECT_EQ(progress_seen.rfind("Read ", 0), 0u) << progress_seen;
  EXPECT_NE(progress_seen.find(" of 4.0 MB ("), std::string::npos) << progress_seen;
  EXPECT_FALSE(form.Running());
  form.window.ReportOutcome({Outcome::kFailed, "/dev/sdb: permission denied"});
  EXPECT_EQ(form.Status(), "Failed: /dev/sdb: permission denied");
  EXPECT_TRUE(form.ShowsFailure());
  form.Type("Text1", "G");
  EXPECT_EQ(form.Status(), "card G");
  EXPECT_FALSE(form.ShowsFailure());
}

// Esc or a click on Stop while a long action runs asks it to stop; the next
// action starts without the request.
class Win32StopTest : public ::testing::TestWithParam<bool> {};

TEST_P(Win32StopTest, AsksTheRunningActionToStop) {
  const bool by_button = GetParam();
  Win32Form form;
  form.platform.read_time = kSlowRead;
  bool asked_before = true;
  form.platform.on_read = [&](int read) {
    if (read != 2) return;
    asked_before = form.window.StopRequested();
    if (by_button) {
      Win32Form::PostClick(form.window.stop_button());
    } else {
      PostMessageW(form.Find("List1"), WM_KEYDOWN, VK_ESCAPE, 0);
    }
  };
  form.ClickControl("Command5");
  EXPECT_FALSE(asked_before);
  EXPECT_TRUE(form.window.StopRequested());
  form.platform.on_read = [&](int) { asked_before = form.window.StopRequested(); };
  form.ClickControl("Command5");
  EXPECT_FALSE(asked_before);
}

INSTANTIATE_TEST_SUITE_P(EscOrButton, Win32StopTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Stop" : "Esc"; });

// The system's message boxes, answered by clicks from another thread: each
// shows its text under its caption, and a click on Yes makes the answer yes.
TEST(Win32WindowTest, RealMessageBoxesShowTheirTextAndCaptionAndTakeTheAnswer) {
  std::vector<std::string> seen;
  std::atomic<bool> done = false;
  std::thread answerer([&] {
    for (HWND answered = nullptr; !done; Sleep(20)) {
      HWND box = FindWindowW(L"#32770", nullptr);
      if (box == nullptr || box == answered) continue;
      answered = box;
      std::string text;
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        GetClassNameW(child, kind, 16);
        if (std::wstring(kind) == L"Static" && !TextOf(child).empty()) text = TextOf(child);
      }
      bool question = GetDlgItem(box, IDYES) != nullptr;
      seen.push_back(TextOf(box) + "|" + text + (question ? "|yes/no" : "|ok"));
      SendMessageW(GetDlgItem(box, question ? IDYES : IDOK), BM_CLICK, 0, 0);
    }
  });
  Win32Dialogs dialogs;
  dialogs.ShowMessage("first\r\nsecond", "Korvex SD Rescure");
  bool yes = dialogs.AskYesNo("Comb?", "Korvex SD Rescue");
  done = true;
  answerer.join();
  EXPECT_TRUE(yes);
  EXPECT_EQ(seen, (std::vector<std::string>{"Korvex SD Rescure|first\r\nsecond|ok",
                                            "Korvex SD Rescue|Comb?|yes/no"}));
}

}  // namespace
}  // namespace kvx::testing
