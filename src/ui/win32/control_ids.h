// The control ID each of the window's controls gets, from its row in the
// form's table: how the window routes notifications, and how another program
// finds a control with GetDlgItem.
#pragma once

#include "ui/form/form_controls.h"

namespace kvx {

inline constexpr int kFirstControlId = 100;

// The system menu's "Image card to file..." item: below the system's own
// commands (0xF000 on) and, as they are, a multiple of 16.
inline constexpr unsigned kImageCardCommand = 0x1110;

inline int ControlId(const FormControl& control) {
  return kFirstControlId + static_cast<int>(&control - Form1Controls().data());
}

}  // namespace kvx
