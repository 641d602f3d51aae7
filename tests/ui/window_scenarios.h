// What both windows' suites run the same way: selections made by clicks in
// List1, which the toolkit's list turns into the lines the form then reads,
// and the files Retrieve copies from them. Each suite drives its own widgets
// through a WindowDriver; nothing here knows a toolkit. What the form does
// with the selection is the form's suite's.
#pragma once

#include <sstream>
#include <string>

#include "tests/ui/form/form_fakes.h"

namespace kvx::testing {

// A window as a scenario works it, implemented per toolkit over real widgets.
class WindowDriver {
 public:
  enum class Click { kAlone, kWithCtrl, kWithShift };

  virtual ~WindowDriver() = default;
  virtual void ClickControl(const std::string& name) = 0;
  virtual void ClickLine(int line, Click click) = 0;
};

// Runs `script`, words separated by blanks: "3", "^3" and "+3" click line 3 of
// List1 alone, with Ctrl and with Shift; any other word clicks that control.
inline void RunScript(WindowDriver& window, const std::string& script) {
  std::istringstream words(script);
  for (std::string step; words >> step;) {
    if (step[0] >= 'A' && step[0] <= 'Z') {
      window.ClickControl(step);
      continue;
    }
    auto click = step[0] == '^'   ? WindowDriver::Click::kWithCtrl
                 : step[0] == '+' ? WindowDriver::Click::kWithShift
                                  : WindowDriver::Click::kAlone;
    window.ClickLine(step.back() - '0', click);
  }
}

struct WindowScenario {
  const char* name;
  const char* script;
  const char* copied;  // the files recovered from card E, in name order
};

inline const WindowScenario kWindowScenarios[] = {
    {"CtrlClick", "Command1 1 ^3 Command2", "DATA0002.KVX DATA0004.KVX"},
    // The current line is then one that is not selected.
    {"CtrlClickAgain", "Command1 1 ^3 ^1 Command2", "DATA0004.KVX"},
    {"ShiftClick", "Command1 1 +3 Command2", "DATA0002.KVX DATA0003.KVX DATA0004.KVX"},
};

}  // namespace kvx::testing
