// The window's modal dialogs: message boxes and the open-file dialog of the
// target-directory chooser. The window shows every dialog through this
// interface, so tests answer them without anything blocking.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace kvx {

// What an open-file dialog hands back: the full path of the chosen file in the
// platform's separators, and its name without the directory (possibly empty).
struct ChosenFile {
  QString file_name;
  QString file_title;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal box with `text`, the title `title`, no icon and an OK button only.
  virtual void ShowMessage(QWidget* parent, const QString& text, const QString& title) = 0;

  // A modal box with Yes and No, Yes the default and no icon. True for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& text, const QString& title) = 0;

  // A modal open-file dialog that starts in `directory` and offers `file_name`
  // in its name box. Any name may be given, existing or not. nullopt on cancel.
  virtual std::optional<ChosenFile> ChooseFile(QWidget* parent, const QString& directory,
                                               const QString& file_name) = 0;
};

}  // namespace kvx
