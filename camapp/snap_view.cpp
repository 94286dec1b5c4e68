#include "snap_view.h"

#include <cstring>

#include "app_resources.h"
#include "window_placement.h"

namespace kvo {

namespace {

constexpr int kDesignedLeft = 503;
constexpr int kDesignedTop = 223;
constexpr int kDesignedClientWidth = 434;
constexpr int kDesignedClientHeight = 312;
constexpr DWORD kViewStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                             WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;

// A device-dependent copy of the picture, which the stretched picture control draws.
UniqueHBitmap BitmapOf(const Bitmap24& bitmap) {
  if (bitmap.empty()) return UniqueHBitmap();
  void* bits = nullptr;
  // A negative height: the still's rows are top-down.
  UniqueHBitmap copy = toolkit::CreateRgbPicture(bitmap.width(), -bitmap.height(), &bits);
  if (copy && bits != nullptr) {
    std::memcpy(bits, bitmap.pixels().data(), bitmap.pixels().size());
    GdiFlush();
  }
  return copy;
}

}  // namespace

TSnapView::TSnapView(HINSTANCE instance, const toolkit::SkinData& skin)
    : instance_(instance), skin_(skin) {}

TSnapView::~TSnapView() {
  Image.SetPicture(nullptr);
  DestroyForm();
}

bool TSnapView::Create() {
  toolkit::Form::CreateArgs form(instance_, kSnapViewClass, kSnapViewCaption, kViewStyle,
                                 WS_EX_TOOLWINDOW, kDesignedClientWidth, kDesignedClientHeight,
                                 &skin_);
  form.left = kDesignedLeft;
  form.top = kDesignedTop;
  form.icon = MAKEINTRESOURCEA(IDI_KVO_MAIN);
  // The caption's close button only hides the viewer.
  form.hide_on_close = true;
  if (!CreateForm(form)) return false;

  toolkit::StretchedPicture::CreateArgs image;
  image.parent = hwnd();
  image.bounds = {0, 0, kDesignedClientWidth, kDesignedClientHeight};
  image.enabled = false;
  image.auto_size = true;
  image.cursor = IDC_HAND;
  image.skin = &skin_;
  Image.Create(image);
  return true;
}

LRESULT TSnapView::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SIZE) FitImage();
  return DefaultProc(message, wparam, lparam);
}

void TSnapView::FitImage() {
  if (hwnd() == nullptr || !Image.Created()) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  Image.SetBounds({0, 0, client.right, client.bottom});
}

void TSnapView::SetPicture(const Bitmap24& bitmap) {
  UniqueHBitmap copy = BitmapOf(bitmap);
  Image.SetPicture(copy.get());
  picture_ = std::move(copy);
}

SIZE TSnapView::ImageSize() const {
  const toolkit::Rect bounds = Image.Bounds();
  return {bounds.width, bounds.height};
}

void TSnapView::SetWindowSize(int width, int height) {
  if (hwnd() == nullptr) return;
  SetWindowPos(hwnd(), nullptr, 0, 0, width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  FitImage();
}

void TSnapView::Show() {
  if (hwnd() == nullptr) return;
  ShowWindow(hwnd(), SW_SHOW);
  KeepCaptionReachable(hwnd());
  SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace kvo
