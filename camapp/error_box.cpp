#include "error_box.h"

namespace kvo {

namespace {

// The window thread is the only one that shows boxes.
bool g_error_box_open = false;

}  // namespace

void ShowApplicationError(HWND owner, const char* message) {
  if (g_error_box_open) return;
  g_error_box_open = true;
  MessageBoxA(owner, message, kApplicationTitle, MB_OK | MB_ICONERROR);
  g_error_box_open = false;
}

bool ApplicationErrorShowing() { return g_error_box_open; }

}  // namespace kvo
