#include "snap_view.h"

#include <cstring>

#include "app_error.h"
#include "form_window.h"

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
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = bitmap.width();
  info.bmiHeader.biHeight = -bitmap.height();  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueHBitmap copy(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
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
  SkinForm1.Detach();
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool TSnapView::Create() {
  if (!RegisterFormClass(instance_, kSnapViewClass, StaticWindowProc, true)) return false;
  FormArgs form;
  form.instance = instance_;
  form.class_name = kSnapViewClass;
  form.caption = kSnapViewCaption;
  form.style = kViewStyle;
  form.ex_style = WS_EX_TOOLWINDOW;
  form.client_width = kDesignedClientWidth;
  form.client_height = kDesignedClientHeight;
  form.left = kDesignedLeft;
  form.top = kDesignedTop;
  form.self = this;
  hwnd_ = CreateForm(form);
  if (hwnd_ == nullptr) return false;
  toolkit::SkinForm::CreateArgs skin_args;
  skin_args.window = hwnd_;
  skin_args.skin = &skin_;
  skin_args.buttons = toolkit::kCaptionSystemMenu | toolkit::kCaptionMinimize |
                      toolkit::kCaptionMaximize | toolkit::kCaptionRollUp;
  SkinForm1.Attach(skin_args);

  toolkit::StretchedPicture::CreateArgs image;
  image.parent = hwnd_;
  image.bounds = {0, 0, kDesignedClientWidth, kDesignedClientHeight};
  image.enabled = false;
  image.auto_size = true;
  image.cursor = IDC_HAND;
  image.skin = &skin_;
  Image.Create(image);
  return true;
}

LRESULT CALLBACK TSnapView::StaticWindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  auto* view = BindForm(hwnd, message, lparam, &TSnapView::hwnd_);
  if (view == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  return CallGuarded(hwnd, LRESULT{0},
                              [&] { return view->WindowProc(message, wparam, lparam); });
}

LRESULT TSnapView::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT routed = 0;
  if (toolkit::RouteControlMessage(hwnd_, message, wparam, lparam, &routed)) return routed;
  switch (message) {
    case WM_CLOSE:
      // The caption's close button only hides the viewer.
      ShowWindow(hwnd_, SW_HIDE);
      return 0;
    case WM_SIZE:
      FitImage();
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wparam, lparam);
}

void TSnapView::FitImage() {
  if (hwnd_ == nullptr || !Image.Created()) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  Image.SetBounds({0, 0, client.right, client.bottom});
}

void TSnapView::SetPicture(const Bitmap24& bitmap) {
  UniqueHBitmap copy = BitmapOf(bitmap);
  Image.SetPicture(copy.get());
  picture_ = std::move(copy);
}

SIZE TSnapView::WindowSize() const {
  RECT bounds{};
  if (hwnd_ != nullptr) GetWindowRect(hwnd_, &bounds);
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

SIZE TSnapView::ImageSize() const {
  const toolkit::Rect bounds = Image.Bounds();
  return {bounds.width, bounds.height};
}

void TSnapView::SetWindowSize(int width, int height) {
  if (hwnd_ == nullptr) return;
  SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  FitImage();
}

void TSnapView::Show() {
  if (hwnd_ == nullptr) return;
  ShowWindow(hwnd_, SW_SHOW);
  KeepCaptionReachable(hwnd_);
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace kvo
