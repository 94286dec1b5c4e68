// The common controls the camera application's windows create.
#pragma once

namespace kvo {

// Registers the control classes the camera application's windows use (buttons, check
// boxes, radio groups, combo and list boxes, sliders, page controls, tooltips, up-down
// and progress controls) from the common controls the program's manifest selects, so that
// they take the system's visual style. Call once at start-up, before the first window is
// created. False when the library refused a class group.
bool InitCameraApplicationControls();

}  // namespace kvo
