// Keeping a window of the camera application where the user can take hold of it.
#pragma once

#include <windows.h>

namespace kvo {

// Moves the window onto the nearest monitor's work area when its caption lies where the user
// cannot take hold of it (a stored place on a monitor that was removed, a smaller screen).
void KeepCaptionReachable(HWND window);

}  // namespace kvo
