#include "toolkit_window_support.h"

#include "toolkit_control.h"

namespace kvo::toolkit::test {

namespace {
constexpr char kHostClass[] = "KvoToolkitTestHost";
}

HostWindow::HostWindow(int client_width, int client_height, DWORD style) {
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &HostWindow::Proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kHostClass;
  RegisterClassExA(&window_class);
  RECT frame = {0, 0, client_width, client_height};
  AdjustWindowRect(&frame, style, FALSE);
  hwnd_ = CreateWindowExA(0, kHostClass, "Toolkit test", style, 40, 40,
                          frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                          GetModuleHandleA(nullptr), this);
}

HostWindow::~HostWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

LRESULT CALLBACK HostWindow::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* host = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  LRESULT routed = 0;
  if (RouteControlMessage(hwnd, message, wparam, lparam, &routed)) return routed;
  if (message == WM_CLOSE && host != nullptr) {
    ++host->close_requests_;
    return 0;
  }
  if (message == WM_NCDESTROY && host != nullptr) host->hwnd_ = nullptr;
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

void PumpPending() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    PumpPending();
    if (condition()) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) return condition();
    const DWORD remaining = timeout_ms - elapsed;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, remaining < 50 ? remaining : 50, QS_ALLINPUT);
  }
}

}  // namespace kvo::toolkit::test
