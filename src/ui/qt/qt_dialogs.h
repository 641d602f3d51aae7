// The dialogs a person sees: QMessageBox and Qt's own QFileDialog, over the
// active window. Qt's file dialog rather than the desktop's, so the chooser
// looks and behaves the same on every platform.
#pragma once

#include "ui/form/dialogs.h"

namespace kvx {

class QtDialogs final : public Dialogs {
 public:
  void ShowMessage(const std::string& text, const std::string& title) override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  std::optional<ChosenFile> ChooseFile(const std::string& directory,
                                       const std::string& file_name) override;
  std::optional<std::string> ChooseImageFile(const std::string& file_name) override;
};

}  // namespace kvx
