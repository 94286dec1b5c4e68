// How a skinned frame looks: its fill, caption, title and caption buttons.
#include <algorithm>

#include "gdi.h"
#include "skin_data.h"
#include "skin_form.h"

namespace kvo::toolkit {

namespace {

RECT ToRect(const Rect& rect) {
  return {rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

// A caption button the skin gives no picture for: a face with a bevel and a small symbol.
void DrawPlainCaptionButton(HDC dc, const RECT& bounds, CaptionButtonKind kind, bool pressed,
                            const SkinColors& colors, HICON icon) {
  DrawBevel(dc, bounds, ToColorRef(colors.button_face),
            ToColorRef(pressed ? colors.button_shadow : colors.button_light),
            ToColorRef(pressed ? colors.button_light : colors.button_shadow));

  const int shift = pressed ? 1 : 0;
  const int width = static_cast<int>(bounds.right - bounds.left);
  const int height = static_cast<int>(bounds.bottom - bounds.top);
  const int size = std::max(4, std::min(width, height) - 8);
  const int left = bounds.left + (width - size) / 2 + shift;
  const int top = bounds.top + (height - size) / 2 + shift;
  const int right = left + size, bottom = top + size;
  const COLORREF ink = ToColorRef(colors.button_text);
  switch (kind) {
    case CaptionButtonKind::kSystemMenu:
      if (icon != nullptr) {
        DrawIconEx(dc, left, top, icon, size, size, 0, nullptr, DI_NORMAL);
      } else {
        FillColour(dc, {left, top + size / 2 - 1, right, top + size / 2 + 1}, ink);
      }
      break;
    case CaptionButtonKind::kMinimize:
      FillColour(dc, {left, bottom - 2, right, bottom}, ink);
      break;
    case CaptionButtonKind::kMaximize: {
      const RECT box = {left, top, right, bottom};
      kvo::UniqueHBrush brush(CreateSolidBrush(ink));
      FrameRect(dc, &box, brush.get());
      FillColour(dc, {left, top, right, top + 2}, ink);
      break;
    }
    case CaptionButtonKind::kRestore: {
      const int step = size / 3;
      RECT back = {left + step, top, right, bottom - step};
      RECT front = {left, top + step, right - step, bottom};
      kvo::UniqueHBrush brush(CreateSolidBrush(ink));
      FrameRect(dc, &back, brush.get());
      FillColour(dc, front, ToColorRef(colors.button_face));
      FrameRect(dc, &front, brush.get());
      break;
    }
    case CaptionButtonKind::kRollUp:
    case CaptionButtonKind::kRollDown: {
      const bool up = kind == CaptionButtonKind::kRollUp;
      for (int row = 0; row < size / 2; ++row) {
        const int y = up ? top + size / 4 + row : bottom - size / 4 - row - 1;
        FillColour(dc, {left + size / 2 - row, y, left + size / 2 + row + 1, y + 1}, ink);
      }
      break;
    }
    case CaptionButtonKind::kClose: {
      kvo::UniqueHPen pen(CreatePen(PS_SOLID, 2, ink));
      SelectedObject selected(dc, pen.get());
      Line(dc, left, top, right, bottom);
      Line(dc, right, top, left, bottom);
      break;
    }
    case CaptionButtonKind::kCount:
      break;
  }
}

// A picture strip holds four states side by side: normal, hot, pressed, inactive.
void DrawPictureCaptionButton(HDC dc, const RECT& bounds, HBITMAP strip, int state) {
  const SIZE size = BitmapSize(strip);
  if (size.cx < 4) return;
  const int cell = size.cx / 4;
  MemoryDc source(dc, strip);
  if (!source.valid()) return;
  StretchBlt(dc, bounds.left, bounds.top, bounds.right - bounds.left,
             bounds.bottom - bounds.top, source.get(), cell * state, 0, cell, size.cy, SRCCOPY);
}

CaptionButtonKind KindOfButton(FramePart part, bool zoomed, bool rolled_up) {
  switch (part) {
    case FramePart::kSystemMenu: return CaptionButtonKind::kSystemMenu;
    case FramePart::kMinimize: return CaptionButtonKind::kMinimize;
    case FramePart::kMaximize:
      return zoomed ? CaptionButtonKind::kRestore : CaptionButtonKind::kMaximize;
    case FramePart::kRollUp:
      return rolled_up ? CaptionButtonKind::kRollDown : CaptionButtonKind::kRollUp;
    default: return CaptionButtonKind::kClose;
  }
}

}  // namespace

void SkinForm::PaintFrame(HDC dc, bool active) const {
  if (!Skinned() || window_ == nullptr) return;
  const FrameLayoutInput input = LayoutInput();
  const FrameLayout layout = LayoutFrame(input);
  const SkinColors& colors = skin_->Description().colors;

  const RECT whole = {0, 0, input.window_width, input.window_height};
  FillColour(dc, whole, ToColorRef(active ? colors.frame : colors.frame_inactive));
  FillColour(dc, ToRect(layout.caption),
             ToColorRef(active ? colors.caption : colors.caption_inactive));

  HICON icon = reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrA(window_, GCLP_HICONSM));
  for (const CaptionButtonPlace& place : layout.buttons) {
    const CaptionButtonKind kind = KindOfButton(place.part, IsZoomed(window_), rolled_up_);
    const bool pressed = tracking_ && pressed_part_ == place.part && hot_part_ == place.part;
    const bool hover = !tracking_ && hover_part_ == place.part;
    const RECT bounds = ToRect(place.bounds);
    if (HBITMAP picture = skin_->CaptionButtonPicture(kind)) {
      DrawPictureCaptionButton(dc, bounds, picture, pressed ? 2 : hover ? 1 : (active ? 0 : 3));
    } else {
      DrawPlainCaptionButton(dc, bounds, kind, pressed, colors, icon);
    }
  }

  char title[256] = {};
  GetWindowTextA(window_, title, sizeof(title));
  if (title[0] != '\0') {
    RECT text = ToRect(layout.title);
    text.left += 2;
    SelectedObject font(dc, skin_->CaptionFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(active ? colors.caption_text : colors.caption_text_inactive));
    DrawTextA(dc, title, -1, &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
}

}  // namespace kvo::toolkit
