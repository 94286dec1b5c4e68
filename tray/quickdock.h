// The tray companion as a whole: WinMain hands over to it.
#pragma once

#include <windows.h>

namespace kvo::tray {

// Runs the program from start-up to exit cleanup; returns the exit code.
int RunQuickdock(HINSTANCE instance);

}  // namespace kvo::tray
