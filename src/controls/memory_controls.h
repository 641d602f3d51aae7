// Controls held in memory: the headless front end's window, and the tests'.
// Message boxes are recorded; Yes/No questions take scripted answers.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "controls/controls.h"

namespace kvx {

struct ShownMessage {
  std::string text;
  std::string title;
  bool operator==(const ShownMessage&) const = default;
};

class MemoryControls : public Controls {
 public:
  std::string text1 = "E";
  std::string text2;
  std::string label1, label2, label3;
  std::vector<std::string> lines;
  std::set<int> selected;
  int current_index = -1;
  bool size_options_visible = false;
  bool retrieve_enabled = false;
  bool busy = false;
  int busy_changes = 0;
  std::vector<ShownMessage> messages;
  std::vector<ShownMessage> questions;
  // Answers to Yes/No questions, first asked first; Yes when none is left.
  std::deque<bool> answers;
  // StopRequested answers true from its ask number `stop_at_ask` (0-based)
  // on; never when negative. `stop_asks` counts the asks.
  int stop_at_ask = -1;
  int stop_asks = 0;
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;  // done, total
  std::vector<Outcome> outcomes;

  // Selects `line` as a click would and makes it the current line.
  void Select(int line);

  std::string Text1() const override { return text1; }
  std::string Text2() const override { return text2; }
  void SetCaption(Label label, const std::string& caption) override;
  void ClearList() override;
  void AppendLine(const std::string& line) override { lines.push_back(line); }
  int LineCount() const override { return static_cast<int>(lines.size()); }
  bool IsSelected(int line) const override { return selected.count(line) > 0; }
  int SelectedCount() const override { return static_cast<int>(selected.size()); }
  int CurrentIndex() const override { return current_index; }
  void SetSizeOptionsVisible(bool visible) override { size_options_visible = visible; }
  void SetRetrieveEnabled(bool enabled) override { retrieve_enabled = enabled; }
  void SetBusyPointer(bool on) override;
  void ShowMessage(const std::string& text, const std::string& title) override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  bool StopRequested() override;
  void ReportProgress(std::int64_t done, std::int64_t total) override {
    progress.emplace_back(done, total);
  }
  void ReportOutcome(const Outcome& outcome) override { outcomes.push_back(outcome); }
};

}  // namespace kvx
