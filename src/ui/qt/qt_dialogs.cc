#include "ui/qt/qt_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include "ui/qt/display_text.h"

namespace kvx {

void QtDialogs::ShowMessage(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(title), DisplayText(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtDialogs::AskYesNo(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(title), DisplayText(text),
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<ChosenFile> QtDialogs::ChooseFile(const std::string& directory,
                                                const std::string& file_name) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Any name: the chooser wants a directory, which may hold no file yet.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDirectory(QDir::fromNativeSeparators(QString::fromUtf8(directory)));
  dialog.selectFile(QString::fromUtf8(file_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  QString path = dialog.selectedFiles().constFirst();
  return ChosenFile{QDir::toNativeSeparators(path).toStdString(),
                    QFileInfo(path).fileName().toStdString()};
}

std::optional<std::string> QtDialogs::ChooseImageFile(const std::string& file_name) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // An existing image is continued or refused by the imaging, never replaced.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  dialog.setDirectory(QDir(documents).exists() ? documents : QDir::homePath());
  dialog.selectFile(QString::fromUtf8(file_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace kvx
