// kvx-rescue.exe: the KVX card rescue window on Windows.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/system_platform.h"
#include "search/captions.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/win32_dialogs.h"
#include "ui/win32/win32_window.h"
#include "ui/window_options.h"

namespace {

// Per-monitor resolution where the system has it (Windows 10 1703 and later),
// else the system's. The program's manifest asks for the same; this covers a
// build without it.
void BecomeDpiAware() {
  using SetContextFunction = BOOL(WINAPI*)(HANDLE);
  auto set_context = reinterpret_cast<SetContextFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  if (set_context == nullptr || !set_context(reinterpret_cast<HANDLE>(-4))) SetProcessDPIAware();
}

// The program's arguments as UTF-8, its own name left out.
std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide != nullptr && i < count; ++i) args.push_back(kvx::Utf8Text(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  BecomeDpiAware();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  // A window program has no console: the usage and a usage error are shown in a box.
  kvx::WindowOptions options = kvx::ParseWindowOptions(Arguments());
  if (options.help || !options.error.empty()) {
    const std::string text = options.help ? kvx::WindowUsage() : "kvx-rescue: " + options.error;
    MessageBoxW(nullptr, kvx::WideText(text).c_str(), kvx::WideText(kvx::kApplicationTitle).c_str(),
                options.help ? MB_OK : MB_OK | MB_ICONERROR);
    return options.help ? 0 : 2;
  }

  auto platform = kvx::NewSystemPlatform(std::move(options.drives));
  kvx::Win32Dialogs dialogs;
  kvx::Win32Window window(dialogs, *platform, /*quit_when_closed=*/true);
  dialogs.SetOwner(window.handle());
  window.Show(show_command);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.RunShortcut(message)) continue;
    // Tab and the arrow keys move between the controls, as in a dialog.
    if (IsDialogMessageW(window.handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
