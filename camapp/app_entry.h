// The program entry of KVO_MAIN.exe: the settings checks, the single-instance mutex, the
// relay of a later instance's command word and the first instance's message loop.
#pragma once

#include <windows.h>

namespace kvo {

constexpr char kInstanceMutexName[] = "KVO_CM_AP";

// Runs the program for this command line; the exit status is always 0.
int RunCameraApplication(HINSTANCE instance, const char* command_line);

}  // namespace kvo
