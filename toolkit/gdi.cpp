#include "gdi.h"

#include <cstdlib>

namespace kvo::toolkit {

MemoryDc::MemoryDc(HDC like, HBITMAP picture) : dc_(CreateCompatibleDC(like)) {
  Select(picture);
}

MemoryDc::MemoryDc(HDC like, int width, int height) : dc_(CreateCompatibleDC(like)) {
  if (width <= 0 || height <= 0) return;
  canvas_.reset(CreateCompatibleBitmap(like, width, height));
  Select(canvas_.get());
}

MemoryDc::~MemoryDc() {
  if (dc_ && previous_ != nullptr) SelectObject(dc_.get(), previous_);
}

void MemoryDc::Select(HBITMAP bitmap) {
  if (!dc_ || bitmap == nullptr) return;
  HGDIOBJ previous = SelectObject(dc_.get(), bitmap);
  if (previous != HGDI_ERROR) previous_ = previous;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof(info), &info) == 0) return {0, 0};
  return {info.bmWidth, std::abs(info.bmHeight)};
}

void FillColour(HDC dc, const RECT& rect, COLORREF colour) {
  kvo::UniqueHBrush brush(CreateSolidBrush(colour));
  if (brush) FillRect(dc, &rect, brush.get());
}

void DrawBevel(HDC dc, const RECT& rect, COLORREF face, COLORREF light, COLORREF shadow) {
  FillColour(dc, rect, face);
  FillColour(dc, {rect.left, rect.top, rect.right, rect.top + 1}, light);
  FillColour(dc, {rect.left, rect.top, rect.left + 1, rect.bottom}, light);
  FillColour(dc, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, shadow);
  FillColour(dc, {rect.right - 1, rect.top, rect.right, rect.bottom}, shadow);
}

}  // namespace kvo::toolkit
