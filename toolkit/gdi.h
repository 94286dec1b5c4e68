// Owners for the drawing the toolkit does: device contexts that are given back, selections
// that are undone, off-screen bitmaps, and the bevelled face every skinned button has.
#pragma once

#include <windows.h>

#include "unique_resource.h"

namespace kvo::toolkit {

// An object selected into a DC for one scope; the DC's previous object comes back after it.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The DC of a whole window, frame included, given back at the end of the scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory DC compatible with another one, with a bitmap selected: either a bitmap the
// caller keeps (a picture to copy from) or a new one of a given size it owns (an
// off-screen canvas to draw on). valid() is false when the platform refused either.
class MemoryDc {
 public:
  MemoryDc(HDC like, HBITMAP picture);
  MemoryDc(HDC like, int width, int height);
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc();

  HDC get() const { return dc_.get(); }
  bool valid() const { return dc_.valid() && previous_ != nullptr; }

 private:
  void Select(HBITMAP bitmap);

  UniqueMemoryDc dc_;
  UniqueHBitmap canvas_;  // declared after dc_: deleted first, once deselected
  HGDIOBJ previous_ = nullptr;
};

// Width and height of a bitmap (rows bottom-up or top-down alike); 0 x 0 for none.
SIZE BitmapSize(HBITMAP bitmap);

void FillColour(HDC dc, const RECT& rect, COLORREF colour);

// A face with a one-pixel edge: light above and left, shadow below and right (swap them
// for a pressed look).
void DrawBevel(HDC dc, const RECT& rect, COLORREF face, COLORREF light, COLORREF shadow);

}  // namespace kvo::toolkit
