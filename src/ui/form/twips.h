// Twips (1/1440 inch), the unit in which the window's controls are laid out,
// turned into pixels at a screen's resolution: 15 twips per pixel at 96 dots
// per inch, 10 at 144.
#pragma once

#include <cmath>

namespace kvx {

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

inline int TwipsToPixels(int twips, double dots_per_inch) {
  return static_cast<int>(std::lround(twips * dots_per_inch / 1440.0));
}

}  // namespace kvx
