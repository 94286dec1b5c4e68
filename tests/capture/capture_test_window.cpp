#include "capture_test_window.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace kvo::test {

namespace {
constexpr char kClassName[] = "CaptureTestWindow";
}

TestWindow::TestWindow() {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = &Proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  window_class.lpszClassName = kClassName;
  RegisterClassA(&window_class);  // fails harmlessly for the second window
  window_ = CreateWindowExA(0, kClassName, "Capture test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                            0, 700, 560, nullptr, nullptr, GetModuleHandleA(nullptr), this);
}

TestWindow::~TestWindow() {
  if (window_ != nullptr) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

LRESULT CALLBACK TestWindow::Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self != nullptr && self->on_message && self->on_message(message, wparam, lparam)) return 0;
  return DefWindowProcA(window, message, wparam, lparam);
}

void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(5);
  } while (GetTickCount() - start < milliseconds);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= timeout_ms) return condition();
    Pump(10);
  }
  return true;
}

StdoutCapture::StdoutCapture() {
  char folder[MAX_PATH] = {};
  char file[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "out", 0, file);
  path_ = file;
  std::fflush(stdout);
  saved_ = _dup(_fileno(stdout));
  const int target = _open(path_.c_str(), _O_WRONLY | _O_TRUNC | _O_CREAT, 0600);
  if (target >= 0) {
    _dup2(target, _fileno(stdout));
    _close(target);
  }
}

std::string StdoutCapture::Finish() {
  if (!finished_) {
    finished_ = true;
    std::fflush(stdout);
    if (saved_ >= 0) {
      _dup2(saved_, _fileno(stdout));
      _close(saved_);
      saved_ = -1;
    }
  }
  std::ifstream in(path_, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

StdoutCapture::~StdoutCapture() {
  Finish();
  DeleteFileA(path_.c_str());
}

}  // namespace kvo::test
