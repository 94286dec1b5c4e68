// Keeping a window of the camera application where the user can take hold of it.
#pragma once

#include <windows.h>

#include "main_window_logic.h"

namespace kvo {

// Moves the window onto the nearest monitor's work area when its caption lies where the user
// cannot take hold of it (a stored place on a monitor that was removed, a smaller screen).
void KeepCaptionReachable(HWND window);

// Moves the window to where `rule` places it inside the desktop, then keeps its caption in
// reach: the desktop is the first monitor only.
using DesktopRule = ScreenBox (*)(const ScreenBox& window, const ScreenBox& desktop);
void KeepOnDesktop(HWND window, DesktopRule rule);

}  // namespace kvo
