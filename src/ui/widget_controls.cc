#include "ui/widget_controls.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "ui/dialogs.h"

namespace kvx {

QString DisplayText(const std::string& text) {
  QString display = QString::fromUtf8(text);
  display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return display;
}

namespace {

QString TitleOrApplicationTitle(const std::string& title) {
  return QString::fromUtf8(title.empty() ? kApplicationTitle : title);
}

}  // namespace

WidgetControls::WidgetControls(const Widgets& widgets, Dialogs& dialogs)
    : widgets_(widgets), dialogs_(dialogs) {}

WidgetControls::~WidgetControls() { SetBusyPointer(false); }

std::string WidgetControls::Text1() const { return widgets_.text1->text().toUtf8().toStdString(); }

std::string WidgetControls::Text2() const { return widgets_.text2->text().toUtf8().toStdString(); }

void WidgetControls::SetCaption(Label label, const std::string& caption) {
  QLabel* target = label == Label::Label1   ? widgets_.label1
                   : label == Label::Label2 ? widgets_.label2
                                            : widgets_.label3;
  target->setText(DisplayText(caption));
}

void WidgetControls::ClearList() { widgets_.list1->clear(); }

void WidgetControls::AppendLine(const std::string& line) {
  widgets_.list1->addItem(QString::fromUtf8(line));
}

int WidgetControls::LineCount() const { return widgets_.list1->count(); }

bool WidgetControls::IsSelected(int line) const {
  const QListWidgetItem* item = widgets_.list1->item(line);
  return item != nullptr && item->isSelected();
}

int WidgetControls::SelectedCount() const {
  return static_cast<int>(widgets_.list1->selectedItems().size());
}

int WidgetControls::CurrentIndex() const { return widgets_.list1->currentRow(); }

void WidgetControls::SetSizeOptionsVisible(bool visible) {
  widgets_.option1->setVisible(visible);
  widgets_.option2->setVisible(visible);
}

void WidgetControls::SetRetrieveEnabled(bool enabled) { widgets_.command2->setEnabled(enabled); }

void WidgetControls::SetBusyPointer(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void WidgetControls::ShowMessage(const std::string& text, const std::string& title) {
  dialogs_.ShowMessage(widgets_.window, DisplayText(text), TitleOrApplicationTitle(title));
}

bool WidgetControls::AskYesNo(const std::string& text, const std::string& title) {
  return dialogs_.AskYesNo(widgets_.window, DisplayText(text), TitleOrApplicationTitle(title));
}

}  // namespace kvx
