#include "window_placement.h"

#include "form.h"

namespace kvo {
namespace {

ScreenBox BoxOf(const RECT& bounds) {
  return {bounds.left, bounds.top, bounds.right, bounds.bottom};
}

void MoveTo(HWND window, const RECT& bounds, const ScreenBox& placed) {
  if (placed.left == bounds.left && placed.top == bounds.top) return;
  SetWindowPos(window, nullptr, placed.left, placed.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

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
  MoveTo(window, bounds, ReachablePlacement(BoxOf(bounds), caption_height, BoxOf(work)));
}

void KeepOnDesktop(HWND window, DesktopRule rule) {
  RECT bounds{};
  RECT desktop{};
  if (!GetWindowRect(window, &bounds) || !GetWindowRect(GetDesktopWindow(), &desktop)) return;
  MoveTo(window, bounds, rule(BoxOf(bounds), BoxOf(desktop)));
  KeepCaptionReachable(window);
}

}  // namespace kvo
