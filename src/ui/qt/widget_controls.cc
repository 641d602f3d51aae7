#include "ui/qt/widget_controls.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "ui/form/action_status.h"
#include "ui/form/dialogs.h"
#include "ui/qt/display_text.h"

namespace kvx {

WidgetControls::WidgetControls(const Widgets& widgets, Dialogs& dialogs, ActionStatus& status)
    : widgets_(widgets), dialogs_(dialogs), status_(status) {}

WidgetControls::~WidgetControls() { SetBusyPointer(false); }

std::string WidgetControls::Text1() const { return widgets_.text1->text().toUtf8().toStdString(); }

std::string WidgetControls::Text2() const { return widgets_.text2->text().toUtf8().toStdString(); }

void WidgetControls::SetText2(const std::string& text) {
  widgets_.text2->setText(QString::fromUtf8(text));
}

void WidgetControls::CloseWindow() {
  QMetaObject::invokeMethod(widgets_.text1->window(), &QWidget::close, Qt::QueuedConnection);
}

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
    // The display system shows the hourglass now, before the first read.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

template <typename Show>
auto WidgetControls::WithNormalPointer(Show show) {
  const bool was_busy = busy_;
  SetBusyPointer(false);
  auto answer = show();
  SetBusyPointer(was_busy);
  return answer;
}

void WidgetControls::ShowMessage(const std::string& text, const std::string& title) {
  WithNormalPointer([&] {
    dialogs_.ShowMessage(text, MessageTitle(title));
    return true;
  });
}

bool WidgetControls::AskYesNo(const std::string& text, const std::string& title) {
  return WithNormalPointer([&] { return dialogs_.AskYesNo(text, MessageTitle(title)); });
}

bool WidgetControls::StopRequested() { return status_.StopRequested(); }

void WidgetControls::ReportProgress(std::int64_t done, std::int64_t total) {
  status_.Progress(done, total);
}

void WidgetControls::ReportOutcome(const Outcome& outcome) { status_.Report(outcome); }

}  // namespace kvx
