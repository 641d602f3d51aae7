// The window on Qt Widgets: the form's controls made from its table, and
// every widget event handed to the form's handler for it.
//
// The window owns the platform the actions read the card through; the actions
// reach the widgets only through the controls port. A status bar under the
// form shows what the letter names, an action's progress and its outcome.
// While an action runs, the window takes no user input but Esc and a click on
// Stop, and handles its other events from the action's progress reports.
#pragma once

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "platform/drive_map.h"
#include "platform/platform.h"
#include "ui/form/action_status.h"
#include "ui/form/dialogs.h"
#include "ui/form/form1.h"
#include "ui/form/form_controls.h"

namespace kvx {

class WidgetControls;

class QtWindow final : public QWidget, private StatusBarView {
  Q_OBJECT

 public:
  // `drives` maps letters to card paths where the system has no drive letters.
  QtWindow(DriveMap drives, std::unique_ptr<Dialogs> dialogs, QWidget* parent = nullptr);
  // The actions read the card through `platform`.
  QtWindow(std::unique_ptr<Platform> platform, std::unique_ptr<Dialogs> dialogs,
           QWidget* parent = nullptr);
  ~QtWindow() override;

  // The window-level state, for the tests to look at.
  WindowState& state() { return form_->state(); }
  // The controls port the actions talk to, for the tests to report through.
  Controls& controls();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* MakeControl(const FormControl& control);
  QWidget* Control(const char* name) const { return controls_by_name_.at(name); }
  void ConnectHandlers();
  // Makes the window's font small enough for every caption to show whole.
  void FitCaptions();
  // Tab visits the controls that take the focus in the table's tab order.
  void SetTabOrder();
  // The status bar under the form; the window grows by its height.
  void MakeStatusBar();
  // The window menu the window manager keeps to itself here: Alt+Space and a
  // right-click on the window open it; its item's shortcut works without it.
  void MakeWindowMenu();
  // While an action runs: Esc asks it to stop, and no other user input
  // reaches the window's controls, Stop's clicks aside.
  bool FilterInputDuringAction(QObject* watched, QEvent* event);

  void ShowStatusText(const std::string& text, bool failure) override;
  void ShowProgressBar(std::optional<int> per_mille) override;
  void EnableStop(bool enabled) override;
  void ProcessWindowEvents() override;

  std::unique_ptr<Platform> platform_;
  std::unique_ptr<Dialogs> dialogs_;
  std::map<std::string, QWidget*> controls_by_name_;
  QMenu* window_menu_ = nullptr;
  QStatusBar* status_bar_ = nullptr;
  QLabel* status_text_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* stop_ = nullptr;
  std::unique_ptr<ActionStatus> status_;
  std::unique_ptr<WidgetControls> controls_;
  std::unique_ptr<Form1> form_;
};

}  // namespace kvx
