// What the form needs of a window beyond the controls port: Text2 written by
// the chooser, and a close put off until an action ended. A window implements
// it over its widgets.
#pragma once

#include <string>

#include "controls/controls.h"

namespace kvx {

class FormView : public Controls {
 public:
  virtual void SetText2(const std::string& text) = 0;
  // Closes the window once the handler running has returned.
  virtual void CloseWindow() = 0;
};

}  // namespace kvx
