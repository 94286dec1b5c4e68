#include "form_window.h"

#include "app_resources.h"
#include "main_window_logic.h"

namespace kvo {

bool RegisterFormClass(HINSTANCE instance, const char* class_name, WNDPROC procedure,
                       bool program_icon) {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = class_name;
  if (program_icon) {
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KVO_MAIN));
    window_class.hIconSm = static_cast<HICON>(LoadImageA(
        instance, MAKEINTRESOURCEA(IDI_KVO_MAIN), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  }
  return RegisterClassExA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateForm(const FormArgs& args) {
  RECT frame{0, 0, args.client_width, args.client_height};
  AdjustWindowRectEx(&frame, args.style, FALSE, args.ex_style);
  return CreateWindowExA(args.ex_style, args.class_name, args.caption, args.style, args.left,
                         args.top, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                         nullptr, args.instance, args.self);
}

namespace {

bool MonitorAreas(const RECT& near_to, RECT* monitor, RECT* work) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(MonitorFromRect(&near_to, MONITOR_DEFAULTTONEAREST), &info)) return false;
  *monitor = info.rcMonitor;
  *work = info.rcWork;
  return true;
}

}  // namespace

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

void KeepCaptionReachable(HWND window) {
  RECT bounds{};
  if (!GetWindowRect(window, &bounds)) return;
  RECT monitor{};
  RECT work{};
  if (!MonitorAreas(bounds, &monitor, &work)) return;
  // The caption is what lies above the client area: the skin's or the platform's.
  POINT client_origin{0, 0};
  ClientToScreen(window, &client_origin);
  const int caption_height = static_cast<int>(client_origin.y - bounds.top);
  const ScreenBox placed =
      ReachablePlacement({bounds.left, bounds.top, bounds.right, bounds.bottom}, caption_height,
                         {work.left, work.top, work.right, work.bottom});
  if (placed.left == bounds.left && placed.top == bounds.top) return;
  SetWindowPos(window, nullptr, placed.left, placed.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kvo
