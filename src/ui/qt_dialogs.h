// The dialogs a person sees: QMessageBox and Qt's own QFileDialog. Qt's file
// dialog rather than the desktop's, so the chooser looks and behaves the same
// on every platform.
#pragma once

#include "ui/dialogs.h"

namespace kvx {

class QtDialogs final : public Dialogs {
 public:
  void ShowMessage(QWidget* parent, const QString& text, const QString& title) override;
  bool AskYesNo(QWidget* parent, const QString& text, const QString& title) override;
  std::optional<ChosenFile> ChooseFile(QWidget* parent, const QString& directory,
                                       const QString& file_name) override;
};

}  // namespace kvx
