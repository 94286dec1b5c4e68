// quickdock.exe: the tray companion. It takes no arguments.
#include <windows.h>

#include "quickdock.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return kvo::tray::RunQuickdock(instance);
}
