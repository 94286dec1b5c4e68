#include "window_placement.h"

#include "form.h"
#include "main_window_logic.h"

namespace kvo {

void KeepCaptionReachable(HWND window) {
  RECT bounds{};
  if (!GetWindowRect(window, &bounds)) return;
  RECT monitor{};
  RECT work{};
  if (!toolkit::MonitorAreas(bounds, &monitor, &work)) return;
  // The caption is what lies above the client area: the skin's or the platform's.
  POINT client_origin{0, 0};
  ClientToScreen(window, &client_origin);
  const int caption_height = static_cast<int>(client_origin.y - bounds.top);
  const ScreenBox placed =
      ReachablePlacement({bounds.left, bounds.top, bounds.right, bounds.bottom}, caption_height,
                         {work.left, work.top, work.right, work.bottom});
  if (placed.left == bounds.left && placed.top == bounds.top) return;
  SetWindowPos(window, nullptr, placed.left, placed.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kvo
