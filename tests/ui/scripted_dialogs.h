// Dialogs answered from a script, so no window test ever blocks: every box and
// every chooser is recorded, and answered with the next answer queued.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "ui/dialogs.h"

namespace kvx::testing {

class ScriptedDialogs final : public Dialogs {
 public:
  struct Shown {
    QString text;
    QString title;
    bool operator==(const Shown&) const = default;
  };
  struct ChooserOpened {
    QString directory;
    QString file_name;
  };

  std::vector<Shown> messages;
  std::vector<Shown> questions;
  std::vector<ChooserOpened> choosers;
  std::deque<bool> next_answers;                     // Yes when none is left
  std::deque<std::optional<ChosenFile>> next_files;  // a cancel when none is left

  void ShowMessage(QWidget*, const QString& text, const QString& title) override {
    messages.push_back({text, title});
  }
  bool AskYesNo(QWidget*, const QString& text, const QString& title) override {
    questions.push_back({text, title});
    return Next(next_answers).value_or(true);
  }
  std::optional<ChosenFile> ChooseFile(QWidget*, const QString& directory,
                                       const QString& file_name) override {
    choosers.push_back({directory, file_name});
    return Next(next_files).value_or(std::nullopt);
  }

 private:
  template <typename T>
  static std::optional<T> Next(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

}  // namespace kvx::testing
