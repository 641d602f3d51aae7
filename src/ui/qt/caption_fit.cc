#include "ui/qt/caption_fit.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace kvx {

namespace {

constexpr double kSmallestPointSize = 6.0;
constexpr double kPointStep = 0.5;

// Room a control keeps around its text: frames, margins, the option's circle.
int HorizontalOverhead(const QWidget& control) {
  const QStyle* style = control.style();
  if (qobject_cast<const QRadioButton*>(&control)) {
    return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &control) +
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &control);
  }
  if (qobject_cast<const QPushButton*>(&control) || qobject_cast<const QGroupBox*>(&control)) {
    return 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &control) + 2;
  }
  return 0;
}

bool Fits(const CaptionRoom& room, const QFontMetrics& metrics) {
  const QWidget& control = *room.control;
  if (qobject_cast<const QLabel*>(&control)) {
    QRect needed = metrics.boundingRect(QRect(0, 0, control.width(), 1 << 16),
                                        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, room.text);
    return needed.width() <= control.width() && needed.height() <= control.height();
  }
  return metrics.horizontalAdvance(room.text) + HorizontalOverhead(control) <= control.width() &&
         metrics.height() <= control.height();
}

}  // namespace

bool CaptionsFit(const std::vector<CaptionRoom>& rooms, const QFont& font) {
  QFontMetrics metrics(font);
  for (const CaptionRoom& room : rooms) {
    if (!Fits(room, metrics)) return false;
  }
  return true;
}

QFont FontFittingCaptions(const std::vector<CaptionRoom>& rooms, const QFont& base) {
  QFont font = base;
  double size = base.pointSizeF();
  // A font given in pixels has no point size; it is kept as it is.
  if (size <= 0) return base;
  while (!CaptionsFit(rooms, font) && size - kPointStep >= kSmallestPointSize) {
    size -= kPointStep;
    font.setPointSizeF(size);
  }
  return font;
}

}  // namespace kvx
