#include <windows.h>

#include "app_entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return kvo::RunCameraApplication(instance, GetCommandLineA());
}
