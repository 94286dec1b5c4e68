#include "eye_glyphs.h"

#include <windows.h>

#include "control_design.h"

namespace kvo {

namespace {

constexpr COLORREF kBackground = RGB(192, 192, 192);
constexpr COLORREF kOutline = RGB(32, 32, 32);
constexpr COLORREF kIris = RGB(40, 90, 170);

// Draws into a glyph through a memory device context; draw gets the glyph's size.
template <typename Draw>
UniqueHBitmap DrawGlyph(int width, int height, Draw draw) {
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return UniqueHBitmap();
  UniqueHBitmap glyph = toolkit::CreateRgbPicture(width, height);
  if (!glyph) return glyph;
  HGDIOBJ old_bitmap = SelectObject(dc.get(), glyph.get());
  RECT all = {0, 0, width, height};
  UniqueHBrush background(CreateSolidBrush(kBackground));
  FillRect(dc.get(), &all, background.get());
  UniqueHPen pen(CreatePen(PS_SOLID, 1, kOutline));
  HGDIOBJ old_pen = SelectObject(dc.get(), pen.get());
  draw(dc.get(), width, height);
  SelectObject(dc.get(), old_pen);
  SelectObject(dc.get(), old_bitmap);
  GdiFlush();
  return glyph;
}

}  // namespace

UniqueHBitmap MakeOpenEyeGlyph() {
  return DrawGlyph(23, 16, [](HDC dc, int width, int height) {
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Ellipse(dc, 1, 2, width - 1, height - 2);
    UniqueHBrush iris(CreateSolidBrush(kIris));
    SelectObject(dc, iris.get());
    Ellipse(dc, width / 2 - 4, height / 2 - 4, width / 2 + 5, height / 2 + 5);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Ellipse(dc, width / 2 - 1, height / 2 - 1, width / 2 + 2, height / 2 + 2);
    SelectObject(dc, old_brush);
  });
}

UniqueHBitmap MakeClosedEyeGlyph() {
  return DrawGlyph(25, 18, [](HDC dc, int width, int height) {
    // The lid: a lower arc, with lashes below it.
    Arc(dc, 1, 0, width - 1, height - 4, 1, height / 2 - 2, width - 1, height / 2 - 2);
    for (int x = 5; x < width - 4; x += 5) {
      MoveToEx(dc, x, height - 5, nullptr);
      LineTo(dc, x - 1, height - 1);
    }
  });
}

}  // namespace kvo
