// The dialogs a person sees on Windows: MessageBoxW and the common Open dialog
// (GetOpenFileNameW), modal over the window that owns them.
#pragma once

#include <windows.h>

#include "ui/form/dialogs.h"

namespace kvx {

class Win32Dialogs final : public Dialogs {
 public:
  // The owner is set once the window exists.
  void SetOwner(HWND owner) { owner_ = owner; }

  void ShowMessage(const std::string& text, const std::string& title) override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  // The Open dialog with the chooser's flags, in `directory`, `file_name` in
  // its name box.
  std::optional<ChosenFile> ChooseFile(const std::string& directory,
                                       const std::string& file_name) override;
  // The common Save dialog in the user's Documents folder.
  std::optional<std::string> ChooseImageFile(const std::string& file_name) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace kvx
