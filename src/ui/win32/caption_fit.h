// The font at which every control shows its whole caption within the place
// the controls table gives it.
//
// The table was drawn for a small, narrow font; the system's message font may
// be wider (Wine's stand-in for it is). The window keeps the message font at
// its 8 points where everything fits and otherwise steps it down a pixel at a
// time, to no less than 6 points, so no caption is cut.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/form/form_controls.h"

namespace kvx {

// A control's kind, its size in pixels and the longest text it must show
// whole: its caption, or for a label the longest text an action writes there.
struct CaptionRoom {
  ControlKind kind;
  int width;
  int height;
  std::wstring text;
};

// A new font: `face` at the largest height, from its own down to 6 points at
// `dpi`, at which every text fits: on one line for buttons, option buttons
// and frame titles; wrapped within its height for labels.
HFONT FontFittingCaptions(const std::vector<CaptionRoom>& rooms, LOGFONTW face, int dpi);

}  // namespace kvx
