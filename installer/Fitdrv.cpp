// Fitdrv.exe: runs the install script named on the command line in its dialog.
#include <windows.h>

#include "installer_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  kvo::fitdrv::RunInstallerDialog(instance, command_line != nullptr ? command_line : "");
  return 0;
}
