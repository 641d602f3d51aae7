#include "ui/win32/win32_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "ui/form/target_directory.h"
#include "ui/win32/wide_text.h"

namespace kvx {

void Win32Dialogs::ShowMessage(const std::string& text, const std::string& title) {
  MessageBoxW(owner_, WideText(text).c_str(), WideText(title).c_str(), MB_OK);
}

bool Win32Dialogs::AskYesNo(const std::string& text, const std::string& title) {
  return MessageBoxW(owner_, WideText(text).c_str(), WideText(title).c_str(),
                     MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

std::optional<ChosenFile> Win32Dialogs::ChooseFile(const std::string& directory,
                                                   const std::string& file_name) {
  // Long enough for any path the dialog hands back.
  std::vector<wchar_t> name(32768, L'\0');
  std::vector<wchar_t> title(32768, L'\0');
  std::wstring offered = WideText(file_name);
  offered.copy(name.data(), name.size() - 1);
  std::wstring initial_directory = WideText(directory);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner_;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrFileTitle = title.data();
  dialog.nMaxFileTitle = static_cast<DWORD>(title.size());
  dialog.lpstrInitialDir = initial_directory.c_str();
  dialog.Flags = kChooserFlags;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return ChosenFile{Utf8Text(name.data()), Utf8Text(title.data())};
}

std::optional<std::string> Win32Dialogs::ChooseImageFile(const std::string& file_name) {
  std::vector<wchar_t> name(32768, L'\0');
  WideText(file_name).copy(name.data(), name.size() - 1);
  std::wstring documents;
  PWSTR known = nullptr;
  if (SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &known) == S_OK) documents = known;
  CoTaskMemFree(known);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner_;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrInitialDir = documents.empty() ? nullptr : documents.c_str();
  // No question about replacing: imaging continues its own image or refuses.
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  return Utf8Text(name.data());
}

}  // namespace kvx
