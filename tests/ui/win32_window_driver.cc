// win32_window_driver: drives kvx-rescue.exe from another process as a person
// would, and prints what the window then shows in kvx-rescue-cli --json's
// shape, so the Windows stage can compare the two for the same action.
//
//   win32_window_driver WINDOW_EXE [kvx-rescue-cli options] quick|explore|comb
//
// Text1 and Text2 are typed with WM_SETTEXT, buttons clicked with BM_CLICK,
// lines selected with LB_SETSEL; each message box is read and answered by a
// click on its button. Comb Through's question is answered No first (the
// window must not change), then Yes. A failed check on the way (the
// question's text) ends the run with a message on stderr.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_options.h"
#include "cli/json_report.h"
#include "controls/memory_controls.h"
#include "search/captions.h"
#include "ui/form/form_controls.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/wide_text.h"

namespace kvx {
namespace {

constexpr DWORD kActionTimeoutMs = 300000;
constexpr DWORD kStartTimeoutMs = 60000;

// The window started, ended when the driver fails so that it never lingers.
HANDLE started_window = nullptr;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "win32_window_driver: %s\n", why.c_str());
  if (started_window != nullptr) TerminateProcess(started_window, 1);
  std::exit(1);
}

std::string TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1,
                    L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return Utf8Text(text);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return name;
}

// The visible top-level window of `process` whose class is `window_class`.
HWND FindProcessWindow(DWORD process, const wchar_t* window_class) {
  struct Search {
    DWORD process;
    const wchar_t* window_class;
    HWND found = nullptr;
  } search{process, window_class};
  EnumWindows(
      [](HWND window, LPARAM l) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(l);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != search.process || !IsWindowVisible(window) ||
            ClassOf(window) != search.window_class) {
          return TRUE;
        }
        search.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A message box's text: its static control that holds text.
std::string MessageBoxText(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == L"Static" && SendMessageW(child, WM_GETTEXTLENGTH, 0, 0) > 0) {
      return TextOf(child);
    }
  }
  return {};
}

// The window's JSON lines bear everything but the message boxes, which the
// driver adds as it answers them.
class RemoteWindow {
 public:
  explicit RemoteWindow(const std::string& exe) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + WideText(exe) + L"\"";
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_)) {
      Fail("cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")");
    }
    started_window = process_.hProcess;
    for (DWORD waited = 0; window_ == nullptr; waited += 50) {
      if (waited > kStartTimeoutMs) Fail("the window of " + exe + " did not appear");
      Sleep(50);
      window_ = FindProcessWindow(process_.dwProcessId, L"KvxRescueForm1");
    }
  }
  ~RemoteWindow() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
      TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  RemoteWindow(const RemoteWindow&) = delete;
  RemoteWindow& operator=(const RemoteWindow&) = delete;

  HWND handle() const { return window_; }
  HWND Control(const char* name) const {
    HWND control = GetDlgItem(window_, ControlId(Form1Control(name)));
    if (control == nullptr) Fail(std::string("the window has no ") + name);
    return control;
  }
  void Type(const char* name, const std::string& text) {
    SendMessageW(Control(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(WideText(text).c_str()));
  }
  bool Clickable(const char* name) const {
    return IsWindowVisible(Control(name)) && IsWindowEnabled(Control(name));
  }

  // Clicks `name` and answers every message box until its handler returns:
  // OK boxes are recorded in `shown`, Yes/No questions in `asked` and
  // answered from `answers`.
  void Click(const char* name, std::vector<ShownMessage>& shown, std::vector<ShownMessage>& asked,
             std::deque<bool> answers = {}) {
    std::atomic<bool> done = false;
    std::thread clicker([&] {
      DWORD_PTR ignored;
      SendMessageTimeoutW(Control(name), BM_CLICK, 0, 0, SMTO_NORMAL, kActionTimeoutMs, &ignored);
      done = true;
    });
    for (DWORD waited = 0; !done; waited += 20) {
      if (waited > kActionTimeoutMs) Fail(std::string("clicking ") + name + " did not end");
      HWND box = FindProcessWindow(process_.dwProcessId, L"#32770");
      if (box == nullptr) {
        Sleep(20);
        continue;
      }
      ShownMessage message{MessageBoxText(box), TextOf(box)};
      int button = IDOK;
      if (GetDlgItem(box, IDYES) != nullptr) {
        asked.push_back(message);
        button = answers.empty() || answers.front() ? IDYES : IDNO;
        if (!answers.empty()) answers.pop_front();
      } else {
        shown.push_back(message);
      }
      SendMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
      while (!done && IsWindow(box) && IsWindowVisible(box)) Sleep(10);
    }
    clicker.join();
  }

  // Selects `lines` as clicks would, the last one the list's current line.
  void Select(const std::vector<int>& lines) {
    HWND list = Control("List1");
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    for (int line : lines) {
      SendMessageW(list, LB_SETSEL, TRUE, line);
      SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(line), FALSE);
    }
  }

  // What the window shows now; the message boxes are the caller's.
  MemoryControls Shown() const {
    MemoryControls shown;
    shown.label1 = TextOf(Control("Label1"));
    shown.label2 = TextOf(Control("Label2"));
    shown.label3 = TextOf(Control("Label3"));
    HWND list = Control("List1");
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int line = 0; line < count; ++line) {
      std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, line, 0)) + 1,
                        L'\0');
      text.resize(static_cast<std::size_t>(
          SendMessageW(list, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text.data()))));
      shown.lines.push_back(Utf8Text(text));
    }
    shown.retrieve_enabled = IsWindowEnabled(Control("Command2"));
    shown.size_options_visible = IsWindowVisible(Control("Option1"));
    return shown;
  }

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

int Run(const std::string& exe, const CliOptions& options) {
  RemoteWindow window(exe);
  window.Type("Text1", options.letter);
  if (options.target) window.Type("Text2", *options.target);

  std::vector<ShownMessage> shown, asked;
  switch (options.action) {
    case CliAction::kQuickSearch:
      window.Click("Command1", shown, asked);
      break;
    case CliAction::kExplore:
      window.Click("Command3", shown, asked);
      break;
    case CliAction::kCombThrough: {
      std::string before = JsonReport(window.Shown());
      window.Click("Command5", shown, asked, {false});
      if (!shown.empty() || JsonReport(window.Shown()) != before) {
        Fail("answering No to Comb Through's question changed the window");
      }
      window.Click("Command5", shown, asked, {true});
      const ShownMessage question{kCombConfirmation, kWindowCaption};
      if (asked != std::vector<ShownMessage>{question, question}) {
        Fail("Comb Through did not ask its question once for each click");
      }
      break;
    }
    case CliAction::kImage:
      Fail("the window driver runs searches only");
      break;
  }
  if (!asked.empty() && options.action != CliAction::kCombThrough) Fail("a question was asked");

  // Hidden options and a disabled button cannot be clicked.
  if (options.size && window.Clickable("Option1")) {
    window.Click(*options.size == SizeChoice::kByFat ? "Option1" : "Option2", shown, asked);
  }
  if (options.retrieves() && window.Clickable("Command2")) {
    std::vector<int> lines = options.retrieve_lines;
    if (options.retrieve_all) {
      lines.clear();
      for (int line = 0; line < static_cast<int>(window.Shown().lines.size()); ++line) {
        lines.push_back(line);
      }
    }
    window.Select(lines);
    window.Click("Command2", shown, asked);
  }

  MemoryControls report = window.Shown();
  report.messages = shown;
  std::printf("%s\n", JsonReport(report).c_str());
  return 0;
}

}  // namespace
}  // namespace kvx

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) kvx::Fail("usage: win32_window_driver WINDOW_EXE [options] quick|explore|comb");
  std::string exe = args.front();
  args.erase(args.begin());
  kvx::CliParse parse = kvx::ParseCliOptions(args);
  if (!parse.error.empty()) kvx::Fail(parse.error);
  return kvx::Run(exe, parse.options);
}
