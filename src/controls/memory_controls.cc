#include "controls/memory_controls.h"

namespace kvx {

void MemoryControls::Select(int line) {
  if (line < 0 || line >= LineCount()) return;
  selected.insert(line);
  current_index = line;
}

void MemoryControls::SetCaption(Label label, const std::string& caption) {
  switch (label) {
    case Label::Label1: label1 = caption; break;
    case Label::Label2: label2 = caption; break;
    case Label::Label3: label3 = caption; break;
  }
}

void MemoryControls::ClearList() {
  lines.clear();
  selected.clear();
  current_index = -1;
}

void MemoryControls::SetBusyPointer(bool on) {
  busy = on;
  ++busy_changes;
}

void MemoryControls::ShowMessage(const std::string& text, const std::string& title) {
  messages.push_back({text, title});
}

bool MemoryControls::AskYesNo(const std::string& text, const std::string& title) {
  questions.push_back({text, title});
  if (answers.empty()) return true;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

bool MemoryControls::StopRequested() {
  const int ask = stop_asks++;
  return stop_at_ask >= 0 && ask >= stop_at_ask;
}

}  // namespace kvx
