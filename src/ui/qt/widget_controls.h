// The controls port on Qt widgets: what the core writes shows in the window,
// and what it asks is asked through the window's dialogs.
//
// Texts cross as UTF-8; CR LF in captions and messages becomes a line break.
// The busy pointer is an application override cursor, set at most once and
// restored at most once, so the cursor stack stays balanced whatever the core
// asks; message boxes show the normal pointer. Progress, outcome and stop
// requests go to the window's action status.
#pragma once

#include "ui/form/form_view.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kvx {

class ActionStatus;
class Dialogs;

class WidgetControls final : public FormView {
 public:
  struct Widgets {
    QLineEdit* text1;
    QLineEdit* text2;
    QLabel* label1;
    QLabel* label2;
    QLabel* label3;
    QListWidget* list1;
    QRadioButton* option1;
    QRadioButton* option2;
    QPushButton* command2;
  };

  WidgetControls(const Widgets& widgets, Dialogs& dialogs, ActionStatus& status);
  ~WidgetControls() override;
  WidgetControls(const WidgetControls&) = delete;
  WidgetControls& operator=(const WidgetControls&) = delete;

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
  void SetBusyPointer(bool busy) override;
  void ShowMessage(const std::string& text, const std::string& title) override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  bool StopRequested() override;
  void ReportProgress(std::int64_t done, std::int64_t total) override;
  void ReportOutcome(const Outcome& outcome) override;

 private:
  // Runs `show` with the normal pointer, the busy one restored afterwards.
  template <typename Show>
  auto WithNormalPointer(Show show);

  Widgets widgets_;
  Dialogs& dialogs_;
  ActionStatus& status_;
  bool busy_ = false;
};

}  // namespace kvx
