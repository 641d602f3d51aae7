// The window's modal dialogs: message boxes and the open-file dialog of the
// target-directory chooser. Each window shows its dialogs through this
// interface, so tests answer them from a script and nothing blocks.
//
// Texts are UTF-8 as the core writes them, line breaks as CR LF; a window's
// implementation turns them into what its toolkit shows.
#pragma once

#include <optional>
#include <string>

namespace kvx {

// What an open-file dialog hands back: the full path of the chosen file in the
// platform's separators, and its name without the directory (possibly empty).
struct ChosenFile {
  std::string file_name;
  std::string file_title;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal box with `text`, the title `title`, no icon and an OK button only.
  virtual void ShowMessage(const std::string& text, const std::string& title) = 0;

  // A modal box with Yes and No, Yes the default and no icon. True for Yes.
  virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;

  // A modal open-file dialog that starts in `directory` and offers `file_name`
  // in its name box. Any name may be given, existing or not. nullopt on cancel.
  virtual std::optional<ChosenFile> ChooseFile(const std::string& directory,
                                               const std::string& file_name) = 0;

  // A modal save dialog for a card image, starting in the user's documents
  // folder with `file_name` in its name box. It never asks to replace a file:
  // imaging continues an unfinished image of its own and refuses any other.
  // The path chosen, nullopt on cancel.
  virtual std::optional<std::string> ChooseImageFile(const std::string& file_name) = 0;
};

// The title a box shows: its own, or the application's when it gives none.
std::string MessageTitle(const std::string& title);

}  // namespace kvx
