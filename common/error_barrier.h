// Where an error raised inside a handler that the platform called ends: a window or control
// procedure, a timer, a control's event. No C++ exception may cross the platform's frames
// (on i686 nothing can unwind through them, and the program would end), so every such
// entry point runs its body through CallGuarded, and the error goes to one handler that the
// program installs (the camera application shows it in its error box). Without one, the
// error is shown in a plain box.
#pragma once

#include <windows.h>

#include <exception>
#include <new>

namespace kvo {

using ErrorHandler = void (*)(HWND owner, const char* message);

// Installs the handler; nullptr restores the plain box.
void SetErrorHandler(ErrorHandler handler);

// Hands the error to the installed handler; never throws.
void ReportError(HWND owner, const char* message) noexcept;

// Runs body and returns its result; an exception it raises is reported and `fallback`
// returned instead.
template <typename Result, typename Body>
Result CallGuarded(HWND owner, Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::exception& error) {
    ReportError(owner, error.what());
  } catch (...) {
    ReportError(owner, "Unknown error.");
  }
  return fallback;
}

template <typename Body>
void CallGuarded(HWND owner, Body&& body) noexcept {
  CallGuarded(owner, 0, [&] {
    body();
    return 0;
  });
}

// The same barrier for a COM method, whose caller is a framework thread or another module:
// no box, the failure is its result.
template <typename Body>
HRESULT ComBarrier(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace kvo
