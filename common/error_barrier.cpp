#include "error_barrier.h"

namespace kvo {

namespace {

void ShowPlainErrorBox(HWND owner, const char* message) {
  MessageBoxA(owner, message, "Error", MB_OK | MB_ICONERROR);
}

// Touched on the user-interface thread only, like every window of the toolkit.
ErrorHandler g_handler = &ShowPlainErrorBox;

}  // namespace

void SetErrorHandler(ErrorHandler handler) {
  g_handler = handler != nullptr ? handler : &ShowPlainErrorBox;
}

void ReportError(HWND owner, const char* message) noexcept {
  try {
    g_handler(owner, message != nullptr ? message : "Unknown error.");
  } catch (...) {
    // A handler that fails itself has nobody left to tell.
  }
}

}  // namespace kvo
