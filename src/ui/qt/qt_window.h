// The window on Qt Widgets: the form's controls made from its table, and
// every widget event handed to the form's handler for it.
//
// The window owns the platform the actions read the card through; the actions
// reach the widgets only through the controls port.
#pragma once

#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "platform/drive_map.h"
#include "platform/platform.h"
#include "ui/form/dialogs.h"
#include "ui/form/form1.h"
#include "ui/form/form_controls.h"

namespace kvx {

class WidgetControls;

class QtWindow final : public QWidget {
  Q_OBJECT

 public:
  // `drives` maps letters to card paths where the system has no drive letters.
  QtWindow(DriveMap drives, std::unique_ptr<Dialogs> dialogs, QWidget* parent = nullptr);
  ~QtWindow() override;

  // The window-level state, for the tests to look at.
  WindowState& state() { return form_->state(); }

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

  std::unique_ptr<Platform> platform_;
  std::unique_ptr<Dialogs> dialogs_;
  std::map<std::string, QWidget*> controls_by_name_;
  std::unique_ptr<WidgetControls> controls_;
  std::unique_ptr<Form1> form_;
};

}  // namespace kvx
