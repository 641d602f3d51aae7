// The controls of the program's one window, as a table both windows build
// their widgets from: kind, container, caption at start, place in twips
// relative to the container, tab index and state at start.
//
// The window's client area is 9810 x 5985 twips and never resized; controls
// keep their places. A container is named before the controls it holds.
#pragma once

#include <span>
#include <string_view>

#include "ui/form/twips.h"

namespace kvx {

inline constexpr int kClientWidthTwips = 9810;
inline constexpr int kClientHeightTwips = 5985;

enum class ControlKind { kFrame, kTextBox, kButton, kListBox, kLabel, kOptionButton };

struct FormControl {
  const char* name;
  ControlKind kind;
  const char* container;  // empty: the window itself
  const char* caption;
  TwipsRect twips;
  int tab_index;
  bool visible = true;
  bool enabled = true;
  bool selected = false;  // option buttons only
};

// Every control, containers first, in the order of the window's description.
std::span<const FormControl> Form1Controls();

// The control named `name`. REQUIRES: it is in the table.
const FormControl& Form1Control(std::string_view name);

// `control`'s place relative to the window's client area, in twips: the
// container's place added in for a control inside a frame.
TwipsRect PlaceInWindow(const FormControl& control);

}  // namespace kvx
