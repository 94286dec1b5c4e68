// A top-level test window that holds the capture panel, and a message pump, so graph
// events posted to the panel are delivered while a test waits.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kvo::test {

class TestWindow {
 public:
  TestWindow();
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND handle() const { return window_; }
  // Called for every message the window receives that it does not handle itself.
  std::function<bool(UINT, WPARAM, LPARAM)> on_message;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HWND window_ = nullptr;
};

// Dispatches this thread's messages for the given time.
void Pump(DWORD milliseconds);
// Dispatches messages until the condition holds or the time is up; returns the condition.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeout_ms);

// Collects what is written to the process's standard output while it lives.
class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  std::string Finish();

 private:
  int saved_ = -1;
  std::string path_;
  bool finished_ = false;
};

}  // namespace kvo::test
