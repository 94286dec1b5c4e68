// Form: the base of every top-level window the toolkit builds. It does, once for all, what
// each window needs around its own handlers: the window class, the outer size that gives the
// client area asked for, the binding of the window to its object (at WM_NCCREATE, undone at
// WM_NCDESTROY), the barrier that hands an error raised inside a handler to the program's
// error handler, the routing of the controls' messages, the skinned frame and, when asked,
// hiding on close and erasing in the face colour. A window class derives from it and adds
// its controls, its layout and its handlers in WindowProc.
#pragma once

#include <windows.h>

#include "skin_form.h"

namespace kvo::toolkit {

class Form {
 public:
  struct CreateArgs {
    CreateArgs() = default;
    CreateArgs(HINSTANCE instance, const char* class_name, const char* caption, DWORD style,
               DWORD ex_style, int client_width, int client_height, const SkinData* skin)
        : instance(instance), class_name(class_name), caption(caption), style(style),
          ex_style(ex_style), client_width(client_width), client_height(client_height),
          skin(skin) {}
    // A fixed-size child dialog of the program: its frame brings the system menu and the
    // roll-up button only, closing only hides it and it is erased in the face colour.
    static CreateArgs FixedDialog(HINSTANCE instance, const char* class_name,
                                  const char* caption, int client_width, int client_height,
                                  const SkinData* skin);

    HINSTANCE instance = nullptr;
    const char* class_name = nullptr;
    const char* caption = "";
    DWORD style = 0;
    DWORD ex_style = 0;
    int client_width = 0;
    int client_height = 0;
    int left = CW_USEDEFAULT;
    int top = CW_USEDEFAULT;
    // The class icon's resource in `instance`; null keeps the platform's (a module without
    // the icon, such as a test program).
    const char* icon = nullptr;
    // The skinned frame; a null skin gives the plain look. The skin and the menu are shared
    // and must outlive the window.
    const SkinData* skin = nullptr;
    unsigned caption_buttons = kCaptionSystemMenu | kCaptionMinimize | kCaptionMaximize |
                               kCaptionRollUp;
    PopupMenu* system_menu = nullptr;
    // The close button only hides the window.
    bool hide_on_close = false;
    // The client area is erased in the skin's face colour (the platform's without a skin).
    bool erase_face = false;
  };

  Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();

  HWND hwnd() const { return hwnd_; }
  // Makes the window visible at the top of the z-order and activates it.
  void ShowForm();
  // The window's outer size; 0 x 0 while there is no window.
  SIZE WindowSize() const;

 protected:
  // Registers the class (once; true also when it exists), creates the window with the
  // outer size that gives the client area asked for and attaches the frame. False when the
  // platform refuses the class or the window.
  bool CreateForm(const CreateArgs& args);
  // Lets go of the frame and destroys the window. A derived window calls it in its own
  // destructor, while its members still exist for the last messages.
  void DestroyForm();

  // The window's own handling; what it does not handle goes to DefaultProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT DefaultProc(UINT message, WPARAM wparam, LPARAM lparam);

  SkinForm& Frame() { return frame_; }
  const SkinForm& Frame() const { return frame_; }

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                           LPARAM lparam);
  LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  const SkinData* skin_ = nullptr;
  bool hide_on_close_ = false;
  bool erase_face_ = false;
  SkinForm frame_;
};

// The window's place when it is neither minimized nor maximized, in screen pixels: what is
// kept for the next start, so that a window closed minimized does not come back at the
// platform's parking place far off the screen.
RECT RestoredWindowBounds(HWND window);

// The whole area and the work area (without the task bar) of the monitor nearest to a
// place; false when the platform cannot tell.
bool MonitorAreas(const RECT& near_to, RECT* monitor, RECT* work);

}  // namespace kvo::toolkit
