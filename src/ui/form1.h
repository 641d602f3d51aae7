// Form1, the program's one window: the drive letter, the three searches, the
// list of found files, the size choice, the target directory and Retrieve.
//
// Every handler runs its action to the end on the window's thread, so no two
// actions overlap. The window owns all state that outlives one click and the
// platform the actions read the card through; the actions reach the widgets
// only through the controls port.
#pragma once

#include <QWidget>
#include <memory>

#include "controls/controls.h"
#include "platform/drive_map.h"
#include "platform/platform.h"
#include "search/window_state.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kvx {

class Dialogs;
class WidgetControls;

class Form1 final : public QWidget {
  Q_OBJECT

 public:
  // `drives` maps letters to card paths where the system has no drive letters.
  Form1(DriveMap drives, std::unique_ptr<Dialogs> dialogs, QWidget* parent = nullptr);
  ~Form1() override;

  // The window-level state, for the tests to look at.
  WindowState& state() { return *state_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  // Makes the window's font small enough for every caption to show whole.
  void FitCaptions();
  void SetTabOrder();
  void Form_Load();
  void Form_Unload();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command5_Click();
  void Option1_Click();
  void Option2_Click();
  void Text2_DblClick();
  void Command4_Click();
  // Runs one card action; the pointer is back to normal when it returns.
  void RunAction(void (*action)(WindowState&, Controls&, Platform&));

  std::unique_ptr<WindowState> state_;
  std::unique_ptr<Platform> platform_;
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<WidgetControls> controls_;

  QGroupBox* Frame1 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLineEdit* Text2 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
  QListWidget* List1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QRadioButton* Option1 = nullptr;
  QRadioButton* Option2 = nullptr;
};

}  // namespace kvx
