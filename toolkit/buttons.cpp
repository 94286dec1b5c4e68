#include "buttons.h"

#include <algorithm>
#include <utility>

#include "gdi.h"
#include "skin_data.h"

namespace kvo::toolkit {

namespace {

constexpr int kGlyphSpacing = 4;

// Glyphs follow the usual convention: the bottom-left pixel's colour is see-through.
void DrawGlyph(HDC dc, HBITMAP glyph, int x, int y, bool disabled) {
  const SIZE size = BitmapSize(glyph);
  if (size.cx <= 0 || size.cy <= 0) return;
  if (disabled) {
    DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(glyph), 0, x, y, size.cx, size.cy,
               DST_BITMAP | DSS_DISABLED);
    return;
  }
  MemoryDc source(dc, glyph);
  if (!source.valid()) return;
  const COLORREF see_through = GetPixel(source.get(), 0, size.cy - 1);
  TransparentBlt(dc, x, y, size.cx, size.cy, source.get(), 0, 0, size.cx, size.cy, see_through);
}

void DrawFace(HDC dc, RECT rect, bool pressed, const SkinData* skin) {
  if (skin == nullptr || !skin->Active()) {
    DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    return;
  }
  const SkinColors& colors = skin->Description().colors;
  DrawBevel(dc, rect, ToColorRef(colors.button_face),
            ToColorRef(pressed ? colors.button_shadow : colors.button_light),
            ToColorRef(pressed ? colors.button_light : colors.button_shadow));
}

COLORREF ButtonTextColor(const SkinData* skin, bool disabled) {
  if (disabled) return GetSysColor(COLOR_GRAYTEXT);
  if (skin != nullptr && skin->Active()) return ToColorRef(skin->Description().colors.button_text);
  return GetSysColor(COLOR_BTNTEXT);
}

// Draws caption and glyph centred on the face, the glyph placed relative to the text.
void DrawContent(HDC dc, RECT rect, const std::string& caption, HBITMAP glyph,
                 GlyphPlacement placement, bool pressed, bool disabled, const SkinData* skin) {
  if (pressed) OffsetRect(&rect, 1, 1);
  SIZE text_size = {0, 0};
  if (!caption.empty()) {
    RECT measure = {0, 0, 0, 0};
    DrawTextA(dc, caption.c_str(), -1, &measure, DT_CALCRECT | DT_SINGLELINE);
    text_size = {measure.right, measure.bottom};
  }
  const SIZE glyph_size = BitmapSize(glyph);
  const bool both = glyph_size.cx > 0 && text_size.cx > 0;
  const bool below = placement == GlyphPlacement::kBelow;
  const int spacing = both ? kGlyphSpacing : 0;
  const int total_width = below ? std::max(glyph_size.cx, text_size.cx)
                                : glyph_size.cx + spacing + text_size.cx;
  const int total_height = below ? glyph_size.cy + spacing + text_size.cy
                                 : std::max(glyph_size.cy, text_size.cy);
  const int left = rect.left + (rect.right - rect.left - total_width) / 2;
  const int top = rect.top + (rect.bottom - rect.top - total_height) / 2;
  POINT glyph_at = {left, top + (total_height - glyph_size.cy) / 2};
  POINT text_at = {left + glyph_size.cx + spacing, top + (total_height - text_size.cy) / 2};
  if (below) {
    text_at = {left + (total_width - text_size.cx) / 2, top};
    glyph_at = {left + (total_width - glyph_size.cx) / 2, top + text_size.cy + spacing};
  }
  if (glyph_size.cx > 0) DrawGlyph(dc, glyph, glyph_at.x, glyph_at.y, disabled);
  if (text_size.cx > 0) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ButtonTextColor(skin, disabled));
    RECT text_rect = {text_at.x, text_at.y, text_at.x + text_size.cx, text_at.y + text_size.cy};
    DrawTextA(dc, caption.c_str(), -1, &text_rect, DT_SINGLELINE);
  }
}

bool IsClick(WORD code) { return code == BN_CLICKED || code == BN_DOUBLECLICKED; }

void DrawOwnerButton(const DRAWITEMSTRUCT& item, const std::string& caption, HBITMAP glyph,
                     GlyphPlacement placement, const SkinData* skin) {
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  DrawFace(item.hDC, item.rcItem, pressed, skin);
  DrawContent(item.hDC, item.rcItem, caption, glyph, placement, pressed, disabled, skin);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(item.hDC, &focus);
  }
}

}  // namespace

template <typename Self>
bool DrawnButton<Self>::CreateButton(const ControlArgs& args, HBITMAP picture,
                                     GlyphPlacement placement,
                                     std::function<void(Self&)> on_click) {
  picture_ = picture;
  placement_ = placement;
  on_click_ = std::move(on_click);
  return CreateControl(args, "BUTTON", BS_OWNERDRAW);
}

template <typename Self>
void DrawnButton<Self>::SetFacePicture(HBITMAP picture) {
  picture_ = picture;
  if (hwnd() != nullptr) InvalidateRect(hwnd(), nullptr, TRUE);
}

template <typename Self>
bool DrawnButton<Self>::OnCommand(HWND source, WORD code, LRESULT* result) {
  if (source != hwnd() || !IsClick(code)) return false;
  Click();
  *result = 0;
  return true;
}

template <typename Self>
bool DrawnButton<Self>::OnDrawItem(DRAWITEMSTRUCT* item) {
  DrawOwnerButton(*item, Caption(), picture_, placement_, skin());
  return true;
}

template class DrawnButton<PushButton>;
template class DrawnButton<PictureButton>;

bool PushButton::Create(const CreateArgs& args) {
  return CreateButton(args, args.glyph, args.glyph_placement, args.on_click);
}

bool PictureButton::Create(const CreateArgs& args) {
  return CreateButton(args, args.picture, GlyphPlacement::kLeft, args.on_click);
}

bool CheckBox::Create(const CreateArgs& args) {
  checked_ = args.checked;
  on_click_ = args.on_click;
  if (!CreateControl(args, "BUTTON", BS_CHECKBOX)) return false;
  SendMessageA(hwnd(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
  return true;
}

void CheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (hwnd() != nullptr) {
    SendMessageA(hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  if (on_click_) on_click_(*this);
}

bool CheckBox::OnCommand(HWND source, WORD code, LRESULT* result) {
  if (source != hwnd() || !IsClick(code)) return false;
  SetChecked(!checked_);
  *result = 0;
  return true;
}

}  // namespace kvo::toolkit
