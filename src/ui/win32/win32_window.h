// The window on Win32: native controls made from the form's table, placed in
// twips at the window's resolution and placed again when it changes, and
// every control's event handed to the form's handler for it.
//
// The controls are all children of the window (a frame is a group box drawn
// under the controls it holds), so their notifications reach the window.
// Implements the controls port over them; texts cross as UTF-8. A status bar
// under the form shows what the letter names, an action's progress and its
// outcome; the window's client area grows by it. While an action runs, its
// progress reports dispatch the window's pending messages but user input,
// Esc and a click on Stop aside, so the window repaints, moves and can be
// closed, which stops the action first.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "ui/form/action_status.h"
#include "ui/form/dialogs.h"
#include "ui/form/form1.h"
#include "ui/form/form_view.h"

namespace kvx {

class Win32Window final : public FormView, private StatusBarView {
 public:
  // Creates the window, hidden, and loads the form. `dialogs` and `platform`
  // outlive the window. When `quit_when_closed`, closing it ends the
  // thread's message loop.
  Win32Window(Dialogs& dialogs, Platform& platform, bool quit_when_closed);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Shows the window with the focus in the first control of the tab order.
  void Show(int show_command);

  // The thread's message loop asks first: true when `message` was the
  // window's keyboard shortcut (Ctrl+I, "Image card to file...") and ran it.
  bool RunShortcut(const MSG& message);

  HWND handle() const { return window_; }
  // The control named in the form's table.
  HWND Control(std::string_view name) const;
  // The status bar under the form and its Stop button.
  HWND status_bar() const { return status_bar_; }
  HWND stop_button() const { return stop_button_; }
  int dpi() const { return dpi_; }
  WindowState& state() { return form_->state(); }

  std::string Text1() const override;
  std::string Text2() const override;
  void SetText2(const std::string& text) override;
  void CloseWindow() override;
  void SetCaption(Label label, const std::string& caption) override;
  void ClearList() override;
  void AppendLine(const std::string& line) override;
  int LineCount() const override;
  bool IsSelected(int line) const override;
  int SelectedCount() const override;
  int CurrentIndex() const override;
  void SetSizeOptionsVisible(bool visible) override;
  void SetRetrieveEnabled(bool enabled) override;
  // The hourglass over the window; the normal pointer over a message box.
  void SetBusyPointer(bool busy) override;
  void ShowMessage(const std::string& text, const std::string& title) override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  bool StopRequested() override;
  void ReportProgress(std::int64_t done, std::int64_t total) override;
  void ReportOutcome(const Outcome& outcome) override;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK Text2Procedure(HWND edit, UINT message, WPARAM w, LPARAM l,
                                         UINT_PTR id, DWORD_PTR self);
  static LRESULT CALLBACK StatusBarProcedure(HWND bar, UINT message, WPARAM w, LPARAM l,
                                             UINT_PTR id, DWORD_PTR self);
  LRESULT Handle(HWND window, UINT message, WPARAM w, LPARAM l);
  void CreateControls();
  void CreateStatusBar();
  // "Image card to file..." at the foot of the window's system menu.
  void AddSystemMenuItem();
  // Places the status bar's parts, progress bar and Stop button at dpi_;
  // returns the bar's height.
  int LayoutStatusBar(HFONT font);
  // Places the window's client area and every control at dpi_, in a font of
  // that resolution.
  void Layout();
  void OnCommand(int id, int notification);
  // Whether a queued message is user input the window refuses during an
  // action; Esc asks the action to stop.
  bool RefusedDuringAction(const MSG& message);

  void ShowStatusText(const std::string& text, bool failure) override;
  void ShowProgressBar(std::optional<int> per_mille) override;
  void EnableStop(bool enabled) override;
  void ProcessWindowEvents() override;

  Dialogs& dialogs_;
  Platform& platform_;
  bool quit_when_closed_;
  HWND window_ = nullptr;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  bool busy_ = false;
  std::map<std::string, HWND, std::less<>> controls_;
  HWND status_bar_ = nullptr;
  HWND progress_ = nullptr;
  HWND stop_button_ = nullptr;
  HICON failure_icon_ = nullptr;
  std::unique_ptr<ActionStatus> status_;
  std::unique_ptr<Form1> form_;
};

}  // namespace kvx
