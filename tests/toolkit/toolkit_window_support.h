// What the toolkit's window tests share: a plain top-level host window that routes its
// controls' messages, and a message pump that waits for a condition with a bound.
#pragma once

#include <windows.h>

#include <functional>

namespace kvo::toolkit::test {

// A top-level window (created hidden: showing it costs time and no test needs it) whose procedure routes its controls' messages and records
// WM_CLOSE (without closing).
class HostWindow {
 public:
  HostWindow(int client_width, int client_height, DWORD style = WS_OVERLAPPEDWINDOW);
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  ~HostWindow();

  HWND hwnd() const { return hwnd_; }
  int close_requests() const { return close_requests_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  HWND hwnd_ = nullptr;
  int close_requests_ = 0;
};

// Dispatches this thread's messages until condition holds or timeout_ms passes; returns the
// condition's last value.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeout_ms);
// Dispatches what is queued now.
void PumpPending();

}  // namespace kvo::toolkit::test
