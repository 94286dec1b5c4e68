// quickdock.exe: the tray companion. It takes no arguments.
#include <windows.h>
#include <commctrl.h>

#include "error_barrier.h"
#include "quickdock.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The toolbox's tooltips and the dialogs' controls, themed through the manifest.
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  return kvo::CallGuarded(nullptr, 0, [&] {
    kvo::tray::Quickdock quickdock(instance);
    return quickdock.Run();
  });
}
