// kvx-rescue.exe: the KVX card rescue window on Windows.
#include <windows.h>

#include <commctrl.h>

#include "platform/system_platform.h"
#include "ui/win32/win32_dialogs.h"
#include "ui/win32/win32_window.h"

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

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  BecomeDpiAware();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  auto platform = kvx::NewSystemPlatform({});
  kvx::Win32Dialogs dialogs;
  kvx::Win32Window window(dialogs, *platform, /*quit_when_closed=*/true);
  dialogs.SetOwner(window.handle());
  window.Show(show_command);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the controls, as in a dialog.
    if (IsDialogMessageW(window.handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
