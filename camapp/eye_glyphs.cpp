#include "eye_glyphs.h"

#include <windows.h>

#include "control_design.h"
#include "gdi.h"

namespace kvo {

namespace {

constexpr COLORREF kBackground = RGB(192, 192, 192);
constexpr COLORREF kOutline = RGB(32, 32, 32);
constexpr COLORREF kIris = RGB(40, 90, 170);

// Draws into a glyph through a memory device context; draw gets the glyph's size.
template <typename Draw>
UniqueHBitmap DrawGlyph(int width, int height, Draw draw) {
  UniqueHBitmap glyph = toolkit::CreateRgbPicture(width, height);
  toolkit::MemoryDc dc(nullptr, glyph.get());
  if (!dc.valid()) return UniqueHBitmap();
  toolkit::FillColour(dc.get(), {0, 0, width, height}, kBackground);
  UniqueHPen pen(CreatePen(PS_SOLID, 1, kOutline));
  toolkit::SelectedObject outline(dc.get(), pen.get());
  draw(dc.get(), width, height);
  GdiFlush();
  return glyph;
}

}  // namespace

UniqueHBitmap MakeOpenEyeGlyph() {
  return DrawGlyph(23, 16, [](HDC dc, int width, int height) {
    toolkit::SelectedObject white(dc, GetStockObject(WHITE_BRUSH));
    Ellipse(dc, 1, 2, width - 1, height - 2);
    UniqueHBrush iris(CreateSolidBrush(kIris));
    SelectObject(dc, iris.get());
    Ellipse(dc, width / 2 - 4, height / 2 - 4, width / 2 + 5, height / 2 + 5);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Ellipse(dc, width / 2 - 1, height / 2 - 1, width / 2 + 2, height / 2 + 2);
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
