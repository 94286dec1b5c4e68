#include "toolbox_geometry.h"

namespace kvo::tray {
namespace {

constexpr int kButtonPitch = 35;
constexpr int kFirstButtonEnd = 5;  // the hit test counts buttons from here
constexpr int kHitLimit = 215;
constexpr int kAcrossMin = 6;
constexpr int kAcrossMax = 37;
constexpr int kDockedDistanceFromTop = 150;
constexpr int kTopDockedDistanceFromRight = 400;
constexpr int kFirstLeftRightBitmap = 138;
constexpr int kFirstTopBitmap = 150;

// The pictures are the bar's length split into six; the ends are the rounded ones.
constexpr int kLeftRightLengths[kButtonCount] = {40, 35, 35, 35, 35, 39};
constexpr int kTopLengths[kButtonCount] = {39, 35, 35, 35, 35, 40};

// By DockEdge; kNone has no name.
constexpr const char* kEdgeNames[] = {"", "RIGHT", "LEFT", "TOP"};

bool ValidButton(int button) { return button >= 1 && button <= kButtonCount; }
bool Placed(DockEdge edge) { return edge != DockEdge::kNone; }

}  // namespace

DockEdge ParseDockEdge(const std::string& text) {
  for (DockEdge edge : {DockEdge::kRight, DockEdge::kLeft, DockEdge::kTop}) {
    if (text == kEdgeNames[static_cast<int>(edge)]) return edge;
  }
  return DockEdge::kNone;
}

const char* DockEdgeText(DockEdge edge) { return kEdgeNames[static_cast<int>(edge)]; }

Extent BarSize(DockEdge edge) {
  if (edge == DockEdge::kTop) return {kBarLength, kBarThickness};
  if (Placed(edge)) return {kBarThickness, kBarLength};
  return {};
}

Position DockedPosition(DockEdge edge, const ScreenRect& d) {
  switch (edge) {
    case DockEdge::kRight: return {d.right - kBarThickness, d.top + kDockedDistanceFromTop};
    case DockEdge::kLeft: return {d.left, d.top + kDockedDistanceFromTop};
    case DockEdge::kTop: return {d.right - kTopDockedDistanceFromRight, d.top};
    case DockEdge::kNone: break;
  }
  return {};
}

Position SlideInStep(DockEdge edge, const ScreenRect& d, int step) {
  Position at = DockedPosition(edge, d);
  const int moved = kSlideStepPixels * step;
  switch (edge) {
    case DockEdge::kRight: at.x = d.right - moved; break;
    case DockEdge::kLeft: at.x = d.left - kBarThickness + moved; break;
    case DockEdge::kTop: at.y = d.top - kBarThickness + moved; break;
    case DockEdge::kNone: break;
  }
  return at;
}

// The hidden bar is where the slide in starts.
Position HiddenPosition(DockEdge edge, const ScreenRect& d) { return SlideInStep(edge, d, 0); }

// Sliding out retraces the slide in: the bar's thickness is the slide's whole way.
static_assert(kBarThickness == kSlideSteps * kSlideStepPixels);
Position SlideOutStep(DockEdge edge, const ScreenRect& d, int step) {
  return SlideInStep(edge, d, kSlideSteps - step);
}

int ButtonOffset(DockEdge edge, int button) {
  if (!Placed(edge) || !ValidButton(button) || button == 1) return 0;
  const int start = edge == DockEdge::kTop ? 4 : 5;
  return (button - 1) * kButtonPitch + start;
}

Extent ButtonSize(DockEdge edge, int button) {
  if (!Placed(edge) || !ValidButton(button)) return {};
  if (edge == DockEdge::kTop) return {kTopLengths[button - 1], kBarThickness};
  return {kBarThickness, kLeftRightLengths[button - 1]};
}

int ButtonBitmapId(DockEdge edge, int button, bool hot) {
  if (!Placed(edge) || !ValidButton(button)) return 0;
  const int first = edge == DockEdge::kTop ? kFirstTopBitmap : kFirstLeftRightBitmap;
  return first + 2 * (button - 1) + (hot ? 1 : 0);
}

int HoverIndex(DockEdge edge, int x, int y) {
  if (!Placed(edge)) return 0;
  // Client coordinates arrive as the two 16-bit halves of a message parameter.
  const int sx = static_cast<short>(x);
  const int sy = static_cast<short>(y);
  const int along = edge == DockEdge::kTop ? sx : sy;
  const int across = edge == DockEdge::kTop ? sy : sx;
  if (along <= kFirstButtonEnd) return 0;
  if (along > kHitLimit || across < kAcrossMin || across > kAcrossMax) return 0;
  return (along - kFirstButtonEnd) / kButtonPitch + 1;
}

ScreenRect ToolBand(DockEdge edge, int hover, const ScreenRect& client) {
  const int begin = (hover - 1) * kButtonPitch + kFirstButtonEnd;
  const int end = hover * kButtonPitch + 4;
  if (edge == DockEdge::kTop) return {begin, client.top, end, client.bottom};
  return {client.left, begin, client.right, end};
}

bool PointerOnHiddenEdge(DockEdge edge, const ScreenRect& d, int cx, int cy) {
  switch (edge) {
    case DockEdge::kTop:
      return d.right - kTopDockedDistanceFromRight < cx && cx < d.right - 181 && cy == 0;
    case DockEdge::kRight: return 150 < cy && cy < 369 && cx == d.right - 1;
    case DockEdge::kLeft: return 150 < cy && cy < 369 && cx == 0;
    case DockEdge::kNone: break;
  }
  return false;
}

}  // namespace kvo::tray
