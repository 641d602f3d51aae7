#include "ui/win32/caption_fit.h"

#include <algorithm>

namespace kvx {

namespace {

constexpr int kSmallestPoints = 6;

// Pixels at 96 DPI a control keeps beside its text: an option's circle and
// the gap after it, a button's edges, a frame title's indent either side.
int HorizontalOverhead(ControlKind kind, int dpi) {
  switch (kind) {
    case ControlKind::kOptionButton:
      return MulDiv(20, dpi, 96);
    case ControlKind::kButton:
      return MulDiv(8, dpi, 96);
    case ControlKind::kFrame:
      return MulDiv(16, dpi, 96);
    default:
      return 0;
  }
}

bool Fits(HDC dc, const CaptionRoom& room, int dpi) {
  if (room.kind == ControlKind::kLabel) {
    RECT needed{0, 0, room.width, 0};
    DrawTextW(dc, room.text.c_str(), static_cast<int>(room.text.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return needed.right <= room.width && needed.bottom <= room.height;
  }
  SIZE needed{};
  GetTextExtentPoint32W(dc, room.text.c_str(), static_cast<int>(room.text.size()), &needed);
  // A frame's title sits on its border: only its width is bounded.
  bool height_fits = room.kind == ControlKind::kFrame || needed.cy <= room.height;
  return needed.cx + HorizontalOverhead(room.kind, dpi) <= room.width && height_fits;
}

}  // namespace

HFONT FontFittingCaptions(const std::vector<CaptionRoom>& rooms, LOGFONTW face, int dpi) {
  HDC dc = GetDC(nullptr);
  int smallest_height = MulDiv(kSmallestPoints, dpi, 72);
  for (;;) {
    HFONT font = CreateFontIndirectW(&face);
    HGDIOBJ previous = SelectObject(dc, font);
    bool fits = std::all_of(rooms.begin(), rooms.end(),
                            [&](const CaptionRoom& room) { return Fits(dc, room, dpi); });
    SelectObject(dc, previous);
    // A negative height is the characters' height in pixels.
    if (fits || -face.lfHeight <= smallest_height) {
      ReleaseDC(nullptr, dc);
      return font;
    }
    DeleteObject(font);
    ++face.lfHeight;
  }
}

}  // namespace kvx
