// What the camera application's four windows share when they are made: their window class,
// a top-level window whose client area has the designed size, and the binding of the
// window to its object.
#pragma once

#include <windows.h>

namespace kvo {

// Registers a class with the arrow cursor and the face colour; with the program icon when
// asked (a module without the icon, such as a test program, keeps the platform's). True
// also when the class exists already.
bool RegisterFormClass(HINSTANCE instance, const char* class_name, WNDPROC procedure,
                       bool program_icon);

struct FormArgs {
  HINSTANCE instance = nullptr;
  const char* class_name = nullptr;
  const char* caption = "";
  DWORD style = 0;
  DWORD ex_style = 0;
  int client_width = 0;
  int client_height = 0;
  int left = CW_USEDEFAULT;
  int top = CW_USEDEFAULT;
  void* self = nullptr;  // the creation parameter the window binds itself to
};

// Creates the window with the outer size that gives the client area asked for.
HWND CreateForm(const FormArgs& args);

// The window's place when it is neither minimized nor maximized, in screen pixels: what is
// kept for the next start, so that a window closed minimized does not come back at the
// platform's parking place far off the screen.
RECT RestoredWindowBounds(HWND window);

// Moves the window onto the nearest monitor's work area when its caption lies where the user
// cannot take hold of it (a stored place on a monitor that was removed, a smaller screen).
void KeepCaptionReachable(HWND window);

// For a form's window procedure: the object the window belongs to. At WM_NCCREATE the
// creation parameter is kept with the window and learns its handle through `handle`;
// before that there is none (nullptr).
template <typename Form>
Form* BindForm(HWND hwnd, UINT message, LPARAM lparam, HWND Form::*handle) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    form->*handle = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  return reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

}  // namespace kvo
