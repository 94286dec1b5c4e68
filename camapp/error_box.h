// The camera application's error box, where every error raised inside one of its
// operations ends.
#pragma once

#include <windows.h>

#include "app_error.h"

namespace kvo {

// The application's top-level handler: shows the error in an error box captioned with the
// application title. At most one such box is open at a time. An error raised while one is
// open (by a timer, or by anything its message loop lets through) ends its operation without
// a box of its own, so a repeating failure cannot stack boxes until the stack runs out.
void ShowApplicationError(HWND owner, const char* message);

// True while the error box is open; relayed commands are dropped meanwhile.
bool ApplicationErrorShowing();

}  // namespace kvo
