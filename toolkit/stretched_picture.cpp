#include "stretched_picture.h"

#include "gdi.h"

namespace kvo::toolkit {

bool StretchedPicture::Create(const CreateArgs& args) {
  picture_ = args.picture;
  auto_size_ = args.auto_size;
  cursor_ = LoadCursor(nullptr, args.cursor != nullptr ? args.cursor : IDC_ARROW);
  if (!CreateContainer(args, WS_CLIPSIBLINGS)) return false;
  if (auto_size_) FitToPicture();
  return true;
}

void StretchedPicture::SetPicture(HBITMAP picture) {
  picture_ = picture;
  if (auto_size_) FitToPicture();
  if (hwnd() != nullptr) InvalidateRect(hwnd(), nullptr, FALSE);
}

void StretchedPicture::SetAutoSize(bool auto_size) {
  auto_size_ = auto_size;
  if (auto_size_) FitToPicture();
}

void StretchedPicture::FitToPicture() {
  const SIZE size = BitmapSize(picture_);
  if (size.cx > 0) Resize(size.cx, size.cy);
}

void StretchedPicture::Paint(HDC dc) {
  RECT client = {};
  GetClientRect(hwnd(), &client);
  const SIZE size = BitmapSize(picture_);
  if (size.cx <= 0) {
    FillFace(dc, client, skin());
    return;
  }
  MemoryDc source(dc, picture_);
  if (!source.valid()) return;
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, 0, 0, client.right, client.bottom, source.get(), 0, 0, size.cx, size.cy,
             SRCCOPY);
}

bool StretchedPicture::OnOwnMessage(UINT message, WPARAM, LPARAM, LRESULT* result) {
  switch (message) {
    case WM_ERASEBKGND:
      *result = TRUE;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT paint = {};
      HDC dc = BeginPaint(hwnd(), &paint);
      Paint(dc);
      EndPaint(hwnd(), &paint);
      *result = 0;
      return true;
    }
    case WM_SETCURSOR:
      SetCursor(cursor_);
      *result = TRUE;
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // The picture only shows; clicks do nothing.
      *result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace kvo::toolkit
