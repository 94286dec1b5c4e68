// Where the toolbox sits on each screen edge, where its six buttons lie, which button the
// pointer is over and the steps of its slide. Plain C++, no platform headers.
#pragma once

#include <string>

namespace kvo::tray {

enum class DockEdge { kNone, kRight, kLeft, kTop };

// "RIGHT", "LEFT" or "TOP", compared case-sensitively; anything else is kNone, which leaves
// the bar unplaced and without buttons.
DockEdge ParseDockEdge(const std::string& text);
const char* DockEdgeText(DockEdge edge);

struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
struct Position {
  int x = 0;
  int y = 0;
};
struct Extent {
  int width = 0;
  int height = 0;
};

constexpr int kButtonCount = 6;
constexpr int kBarThickness = 45;
constexpr int kBarLength = 219;
constexpr int kSlideSteps = 5;
constexpr int kSlideStepPixels = 9;

Extent BarSize(DockEdge edge);
Position DockedPosition(DockEdge edge, const ScreenRect& desktop);
Position HiddenPosition(DockEdge edge, const ScreenRect& desktop);
// Step k (1..5) of sliding the bar into view or out beyond its edge.
Position SlideInStep(DockEdge edge, const ScreenRect& desktop, int step);
Position SlideOutStep(DockEdge edge, const ScreenRect& desktop, int step);

// Button k (1..6): its offset along the bar, its picture size and its bitmap ids.
int ButtonOffset(DockEdge edge, int button);
Extent ButtonSize(DockEdge edge, int button);
int ButtonBitmapId(DockEdge edge, int button, bool hot);

// The hover index 0..7 for a pointer at client (x, y), taken as signed 16-bit numbers.
// 0 is no button; 7 lies past the last button and names none.
int HoverIndex(DockEdge edge, int x, int y);

// The band of the bar a tip belongs to, for hover index i, within the client rectangle.
ScreenRect ToolBand(DockEdge edge, int hover, const ScreenRect& client);

// The edge watch: the pointer touches the hidden bar's edge within its span.
bool PointerOnHiddenEdge(DockEdge edge, const ScreenRect& desktop, int cursor_x, int cursor_y);

}  // namespace kvo::tray
