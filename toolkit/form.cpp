#include "form.h"

#include "control_design.h"
#include "error_barrier.h"
#include "toolkit_control.h"

namespace kvo::toolkit {

namespace {

// The arrow cursor and the face colour; the icon when one is named. True also when the
// class exists already (a second window of the class, or a test that made one before).
bool RegisterFormClass(HINSTANCE instance, const char* class_name, WNDPROC procedure,
                       const char* icon) {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = class_name;
  if (icon != nullptr) {
    window_class.hIcon = LoadIconA(instance, icon);
    window_class.hIconSm = static_cast<HICON>(
        LoadImageA(instance, icon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                   GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  }
  return RegisterClassExA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Form::CreateArgs Form::CreateArgs::FixedDialog(HINSTANCE instance, const char* class_name,
                                               const char* caption, int client_width,
                                               int client_height, const SkinData* skin) {
  CreateArgs args(instance, class_name, caption,
                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                  client_width, client_height, skin);
  args.caption_buttons = kCaptionSystemMenu | kCaptionRollUp;
  args.hide_on_close = true;
  args.erase_face = true;
  return args;
}

Form::~Form() { DestroyForm(); }

bool Form::CreateForm(const CreateArgs& args) {
  if (!RegisterFormClass(args.instance, args.class_name, &Form::StaticWindowProc, args.icon)) {
    return false;
  }
  skin_ = args.skin;
  hide_on_close_ = args.hide_on_close;
  erase_face_ = args.erase_face;
  RECT frame{0, 0, args.client_width, args.client_height};
  AdjustWindowRectEx(&frame, args.style, FALSE, args.ex_style);
  CreateWindowExA(args.ex_style, args.class_name, args.caption, args.style, args.left, args.top,
                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                  args.instance, this);
  if (hwnd_ == nullptr) return false;
  frame_.Attach({hwnd_, args.skin, args.caption_buttons, /*resizable=*/false, args.system_menu});
  return true;
}

void Form::DestroyForm() {
  // The frame lets go first: the skin it draws with may be gone already.
  frame_.Detach();
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Form::ShowForm() {
  if (hwnd_ == nullptr) return;
  ShowWindow(hwnd_, SW_SHOW);
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(hwnd_);
}

SIZE Form::WindowSize() const {
  RECT bounds{};
  if (hwnd_ != nullptr) GetWindowRect(hwnd_, &bounds);
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

LRESULT Form::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefaultProc(message, wparam, lparam);
}

LRESULT Form::DefaultProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Form::StaticWindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                        LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Form*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    created->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  // Before WM_NCCREATE, and after WM_NCDESTROY, the window belongs to no object.
  if (form == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  return CallGuarded(hwnd, LRESULT{0}, [&] { return form->Dispatch(message, wparam, lparam); });
}

LRESULT Form::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT routed = 0;
  if (RouteControlMessage(hwnd_, message, wparam, lparam, &routed)) return routed;
  switch (message) {
    case WM_ERASEBKGND: {
      if (!erase_face_) break;
      RECT client{};
      GetClientRect(hwnd_, &client);
      FillFace(reinterpret_cast<HDC>(wparam), client, skin_);
      return 1;
    }
    case WM_CLOSE:
      if (!hide_on_close_) break;
      ShowWindow(hwnd_, SW_HIDE);
      return 0;
    case WM_NCDESTROY: {
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      const LRESULT result = DefaultProc(message, wparam, lparam);
      hwnd_ = nullptr;
      return result;
    }
    default:
      break;
  }
  return WindowProc(message, wparam, lparam);
}

bool MonitorAreas(const RECT& near_to, RECT* monitor, RECT* work) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(MonitorFromRect(&near_to, MONITOR_DEFAULTTONEAREST), &info)) return false;
  *monitor = info.rcMonitor;
  *work = info.rcWork;
  return true;
}

RECT RestoredWindowBounds(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(window, &placement)) return bounds;
  RECT restored = placement.rcNormalPosition;
  // The restored place is in workspace coordinates (from the work area's corner) unless the
  // window is a tool window.
  RECT monitor{};
  RECT work{};
  if ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0 &&
      MonitorAreas(restored, &monitor, &work)) {
    OffsetRect(&restored, work.left - monitor.left, work.top - monitor.top);
  }
  return restored;
}

UniqueHBitmap LoadPicture(HINSTANCE instance, const char* name) {
  return UniqueHBitmap(static_cast<HBITMAP>(
      LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

UniqueHBitmap CreateRgbPicture(int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  UniqueHBitmap picture(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (bits != nullptr) *bits = picture ? pixels : nullptr;
  return picture;
}

}  // namespace kvo::toolkit
