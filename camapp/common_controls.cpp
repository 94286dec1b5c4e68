#include "common_controls.h"

#include <windows.h>
#include <commctrl.h>

namespace kvo {

bool InitCameraApplicationControls() {
  // ICC_STANDARD_CLASSES makes the plain controls (button, edit, list and combo box,
  // static) come from the library the manifest binds, which is what draws them themed.
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                   ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS;
  return InitCommonControlsEx(&controls) != FALSE;
}

}  // namespace kvo
