#include "ui/form/form_controls.h"

#include <algorithm>
#include <cstdlib>

namespace kvx {

namespace {

using enum ControlKind;

// Text2's "C:\" is replaced at load by the system's default target directory.
constexpr FormControl kControls[] = {
    {"Frame1", kFrame, "", "SD Drive", {120, 120, 6135, 735}, 0},
    {"Text1", kTextBox, "Frame1", "E", {120, 240, 375, 375}, 1},
    {"Command1", kButton, "Frame1", "Quick Search ", {720, 240, 1575, 375}, 2},
    {"Command3", kButton, "Frame1", "Explore", {2520, 240, 1575, 375}, 11},
    {"Command5", kButton, "Frame1", "Comb Through", {4320, 240, 1575, 375}, 15},
    {"List1", kListBox, "", "", {120, 960, 6135, 4545}, 3},
    {"Frame2", kFrame, "", "SD Info", {6480, 120, 3135, 3015}, 5},
    {"Label2", kLabel, "Frame2", "", {120, 240, 2895, 1815}, 6},
    {"Label1", kLabel, "Frame2", "", {120, 2160, 2895, 255}, 7},
    {"Label3", kLabel, "Frame2", "", {120, 2520, 2895, 375}, 8},
    {"Option1", kOptionButton, "", "Let FAT determine file size", {6480, 3240, 3135, 255}, 9,
     false, true, false},
    {"Option2", kOptionButton, "", "Let KVX Header determine file size", {6480, 3600, 3135, 255},
     10, false, true, true},
    {"Label4", kLabel, "", "Target Directory for recovered files:", {6480, 4320, 3135, 375}, 13},
    {"Text2", kTextBox, "", "C:\\", {6480, 4680, 2655, 375}, 12},
    {"Command4", kButton, "", "...", {9240, 4680, 375, 375}, 14},
    {"Command2", kButton, "", "Retrieve Selected .KVX files", {6480, 5160, 3135, 375}, 4, true,
     false},
};

}  // namespace

std::span<const FormControl> Form1Controls() { return kControls; }

const FormControl& Form1Control(std::string_view name) {
  const FormControl* found = std::find_if(std::begin(kControls), std::end(kControls),
                                          [&](const FormControl& c) { return c.name == name; });
  if (found == std::end(kControls)) std::abort();
  return *found;
}

TwipsRect PlaceInWindow(const FormControl& control) {
  TwipsRect place = control.twips;
  if (*control.container != '\0') {
    const TwipsRect& container = Form1Control(control.container).twips;
    place.left += container.left;
    place.top += container.top;
  }
  return place;
}

}  // namespace kvx
