// Twips (1/1440 inch), the unit in which the window's controls are laid out,
// turned into pixels at the screen's logical resolution: 15 twips per pixel at
// 96 dots per inch.
#pragma once

#include <QRect>
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

inline QRect TwipsToPixels(const TwipsRect& rect, double dpi_x, double dpi_y) {
  return QRect(TwipsToPixels(rect.left, dpi_x), TwipsToPixels(rect.top, dpi_y),
               TwipsToPixels(rect.width, dpi_x), TwipsToPixels(rect.height, dpi_y));
}

}  // namespace kvx
