// The controls port on real widgets: what the core writes shows in the window,
// and what it asks is asked through the window's dialogs.
//
// Texts cross as UTF-8; CR LF in captions and messages becomes a line break.
// The busy pointer is an application override cursor, set at most once and
// restored at most once, so the cursor stack stays balanced whatever the core
// asks.
#pragma once

#include <QString>
#include <string>

#include "controls/controls.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

namespace kvx {

class Dialogs;

// Core text as the window shows it. Qt draws a lone CR as a blank, so the
// CR LF breaks of reports and messages become plain line feeds.
QString DisplayText(const std::string& text);

class WidgetControls final : public Controls {
 public:
  struct Widgets {
    QWidget* window;
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

  WidgetControls(const Widgets& widgets, Dialogs& dialogs);
  ~WidgetControls() override;
  WidgetControls(const WidgetControls&) = delete;
  WidgetControls& operator=(const WidgetControls&) = delete;

  std::string Text1() const override;
  std::string Text2() const override;
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

 private:
  Widgets widgets_;
  Dialogs& dialogs_;
  bool busy_ = false;
};

}  // namespace kvx
