// The program icon of KVO_MAIN.exe as the class icon of its windows.
#pragma once

#include <windows.h>

#include "app_resources.h"

namespace kvo {

// Sets the large and small class icons from the program's icon group. A module without the
// icon (a test program linking the windows) leaves the platform's default.
inline void SetProgramIcons(HINSTANCE instance, WNDCLASSEXA& window_class) {
  window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KVO_MAIN));
  window_class.hIconSm = static_cast<HICON>(LoadImageA(
      instance, MAKEINTRESOURCEA(IDI_KVO_MAIN), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
      GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

}  // namespace kvo
