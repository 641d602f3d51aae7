// Form1, what the program's one window does, without drawing anything: its
// handlers and the state that outlives one click. A window creates its
// widgets from the controls table, implements FormView and the dialogs, and
// calls a handler for each event.
//
// Every handler runs its action to the end on the caller's thread. While one
// runs, the window handles its events from the action's progress reports, so
// every handler refuses to act then: no second action starts and nothing
// changes under the running one. The card actions reach the window only
// through the view.
#pragma once

#include <memory>

#include "platform/platform.h"
#include "search/window_state.h"
#include "ui/form/action_status.h"
#include "ui/form/dialogs.h"
#include "ui/form/form_view.h"

namespace kvx {

// The window menu's item that runs ImageCard_Click, and its shortcut.
inline constexpr char kImageCardMenuItem[] = "Image card to file...";
inline constexpr char kImageCardShortcut[] = "Ctrl+I";

class Form1 {
 public:
  // The form reads the card through `platform` and tells `status` of each
  // action; all four outlive it.
  Form1(FormView& view, Dialogs& dialogs, Platform& platform, ActionStatus& status);

  WindowState& state() { return *state_; }

  // Start-up: Text2 gets the system's default target directory.
  void Form_Load();
  // The window is asked to close: true when it may close now. During an
  // action, the action is asked to stop and the window closes once it ends.
  bool Form_QueryUnload();
  // Shut-down: closes the card if an action left it open.
  void Form_Unload();
  void Command1_Click();  // Quick Search
  void Command2_Click();  // Retrieve
  void Command3_Click();  // Explore
  void Command5_Click();  // Comb Through
  void Option1_Click();   // copy the size by FAT
  void Option2_Click();   // copy the size by header
  // The target-directory chooser: the directory of the file the user picks,
  // with its final separator, becomes Text2; a cancel leaves Text2 as it is.
  void Text2_DblClick();
  void Command4_Click();
  // Text1 changed: the status bar says what the letter names.
  void Text1_Change();
  // "Image card to file...": copies the card Text1 names into an image file
  // the user chooses, with its map, continuing an unfinished image of ours.
  void ImageCard_Click();

 private:
  // Runs one card action unless one runs already; the pointer is back to
  // normal when it returns.
  void RunAction(void (*action)(WindowState&, Controls&, Platform&), ActionKind kind);

  FormView& view_;
  Dialogs& dialogs_;
  Platform& platform_;
  ActionStatus& status_;
  std::unique_ptr<WindowState> state_ = std::make_unique<WindowState>();
};

}  // namespace kvx
