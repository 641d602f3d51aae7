// The font at which every control shows its whole caption within the size
// the window's control table gives it.
//
// The table was drawn for a small, narrow font; a desktop's default font may
// be wider or larger. The window keeps the default font where everything fits
// and otherwise steps its size down until it does, so no caption is ever cut.
#pragma once

#include <QFont>
#include <QString>
#include <vector>

class QWidget;

namespace kvx {

// A control and the longest text it must show whole: its caption, or for a
// label the longest text an action writes there.
struct CaptionRoom {
  const QWidget* control;
  QString text;
};

// True when every text fits its control at `font`: on one line for buttons,
// option buttons and frame titles; wrapped within its height for labels.
bool CaptionsFit(const std::vector<CaptionRoom>& rooms, const QFont& font);

// `base` when everything fits at it; otherwise the same font at the largest
// smaller size, in half points, down to 6 points, at which everything fits.
QFont FontFittingCaptions(const std::vector<CaptionRoom>& rooms, const QFont& base);

}  // namespace kvx
