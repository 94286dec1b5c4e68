// Where a skinned frame puts its parts: the frame band, the caption band, the caption
// buttons, and which part a point is over. Plain arithmetic, tested natively.
#pragma once

#include <vector>

#include "control_math.h"
#include "skin_format.h"

namespace kvo::toolkit {

// Caption buttons a window asks for (a bit set). The close button is always there.
enum CaptionButtonFlags : unsigned {
  kCaptionSystemMenu = 1u << 0,
  kCaptionMinimize = 1u << 1,
  kCaptionMaximize = 1u << 2,
  kCaptionRollUp = 1u << 3,
};

// What a point of the window is over; SkinForm maps these to the platform's hit codes.
enum class FramePart { kNowhere, kClient, kCaption, kSystemMenu, kMinimize, kMaximize, kRollUp,
                       kClose, kLeft, kRight, kTop, kBottom, kTopLeft, kTopRight, kBottomLeft,
                       kBottomRight };

struct FrameLayoutInput {
  int window_width = 0;
  int window_height = 0;
  SkinMetrics metrics;
  unsigned buttons = 0;    // CaptionButtonFlags
  bool resizable = false;  // edges and corners resize
};

struct CaptionButtonPlace {
  FramePart part = FramePart::kNowhere;
  Rect bounds;  // window coordinates
};

struct FrameLayout {
  Rect caption;  // the caption band, window coordinates
  Rect client;   // the client area, window coordinates
  Rect title;    // where the caption text goes, between the system menu and the buttons
  std::vector<CaptionButtonPlace> buttons;  // system menu left; then right to left:
                                            // close, maximize, minimize, roll-up
};

// Non-client widths around the client area: left, top (frame + caption), right, bottom.
struct FrameInsets {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

FrameInsets SkinFrameInsets(const SkinMetrics& metrics);
FrameLayout LayoutFrame(const FrameLayoutInput& input);
// x, y in window coordinates (0, 0 = the window's top-left corner).
FramePart HitTestFrame(const FrameLayoutInput& input, int x, int y);

}  // namespace kvo::toolkit
