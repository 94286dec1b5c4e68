// Fitdrv.exe: runs the install script named on the command line in its dialog.
#include <windows.h>
#include <commctrl.h>

#include "error_barrier.h"
#include "installer_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  // The dialog's buttons and list box, themed through the manifest's common controls.
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  kvo::CallGuarded(nullptr, [&] {
    kvo::fitdrv::RunInstallerDialog(instance, command_line != nullptr ? command_line : "");
  });
  return 0;
}
