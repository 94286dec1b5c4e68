#include "skin_geometry.h"

#include <algorithm>

namespace kvo::toolkit {

namespace {

constexpr int kButtonGap = 2;
// Corners grab a little more than the frame so a thin frame stays easy to resize.
constexpr int kCornerGrip = 12;

bool Contains(const Rect& rect, int x, int y) {
  return x >= rect.left && x < rect.left + rect.width && y >= rect.top &&
         y < rect.top + rect.height;
}

}  // namespace

FrameInsets SkinFrameInsets(const SkinMetrics& metrics) {
  const int frame = metrics.frame_width;
  return {frame, frame + metrics.caption_height, frame, frame};
}

FrameLayout LayoutFrame(const FrameLayoutInput& input) {
  const SkinMetrics& metrics = input.metrics;
  const FrameInsets insets = SkinFrameInsets(metrics);
  const int frame = metrics.frame_width;
  FrameLayout layout;
  layout.caption = {frame, frame, std::max(0, input.window_width - 2 * frame),
                    metrics.caption_height};
  layout.client = {insets.left, insets.top,
                   std::max(0, input.window_width - insets.left - insets.right),
                   std::max(0, input.window_height - insets.top - insets.bottom)};

  const int button_width = metrics.caption_button_width;
  const int button_height = std::min(metrics.caption_button_height, metrics.caption_height);
  const int button_top = frame + (metrics.caption_height - button_height) / 2;
  int title_left = layout.caption.left + kButtonGap;
  if (input.buttons & kCaptionSystemMenu) {
    layout.buttons.push_back(
        {FramePart::kSystemMenu, {title_left, button_top, button_width, button_height}});
    title_left += button_width + kButtonGap;
  }
  int right = layout.caption.left + layout.caption.width - kButtonGap;
  auto add_right = [&](FramePart part) {
    right -= button_width;
    layout.buttons.push_back({part, {right, button_top, button_width, button_height}});
    right -= kButtonGap;
  };
  add_right(FramePart::kClose);
  if (input.buttons & kCaptionMaximize) add_right(FramePart::kMaximize);
  if (input.buttons & kCaptionMinimize) add_right(FramePart::kMinimize);
  if (input.buttons & kCaptionRollUp) add_right(FramePart::kRollUp);
  layout.title = {title_left, frame, std::max(0, right - title_left), metrics.caption_height};
  return layout;
}

FramePart HitTestFrame(const FrameLayoutInput& input, int x, int y) {
  const int width = input.window_width;
  const int height = input.window_height;
  if (x < 0 || y < 0 || x >= width || y >= height) return FramePart::kNowhere;
  const FrameLayout layout = LayoutFrame(input);
  for (const CaptionButtonPlace& button : layout.buttons) {
    if (Contains(button.bounds, x, y)) return button.part;
  }
  const int frame = input.metrics.frame_width;
  if (input.resizable) {
    const int grip = std::max(frame, kCornerGrip);
    const bool left = x < frame, right = x >= width - frame;
    const bool top = y < frame, bottom = y >= height - frame;
    const bool near_left = x < grip, near_right = x >= width - grip;
    const bool near_top = y < grip, near_bottom = y >= height - grip;
    if ((top && near_left) || (left && near_top)) return FramePart::kTopLeft;
    if ((top && near_right) || (right && near_top)) return FramePart::kTopRight;
    if ((bottom && near_left) || (left && near_bottom)) return FramePart::kBottomLeft;
    if ((bottom && near_right) || (right && near_bottom)) return FramePart::kBottomRight;
    if (left) return FramePart::kLeft;
    if (right) return FramePart::kRight;
    if (top) return FramePart::kTop;
    if (bottom) return FramePart::kBottom;
  }
  if (Contains(layout.client, x, y)) return FramePart::kClient;
  // The frame of a fixed-size window drags it like the caption does.
  return FramePart::kCaption;
}

}  // namespace kvo::toolkit
