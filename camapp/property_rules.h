// The property window's arithmetic, in plain C++: the digital zoom's limit, factor and slider
// positions, the pan steps, the effect and frame values, the slider increments, the banner
// text and where the window goes when shown.
#pragma once

#include <cstdint>
#include <string>

namespace kvo {

// The zoom maximum a camera reports, made usable: 0 (no answer) means 64, and a value the
// arithmetic cannot divide by (128 and above, or negative) is taken as 64 as well.
int32_t UsableZoomMax(int32_t reported);
// The highest zoom factor in tenths: (128 / (128 - max)) * 10, the division in integers first
// (64 gives 20, 100 gives 40).
int32_t ZoomLimitFor(int32_t zoom_max);
// The zoom factor in tenths for a Zoom slider value: 1280 / (value - max + 128) (32 of 64
// gives 13). The slider runs backwards: its maximum is zoom level 0, factor 10.
int32_t ZoomFactorFor(int32_t slider_value, int32_t zoom_max);
// The Zoom slider value that shows a zoom factor: max - (128 - 1280 / factor), integer
// division toward zero (factor 10 gives max, 11 with max 64 gives 52).
int32_t ZoomSliderValueFor(int32_t factor, int32_t zoom_max);

// The Zoom slider value for the zoom level a camera reports: max - level, kept on the
// slider (0..max) whatever the camera answered.
int32_t ZoomSliderValueForLevel(int32_t zoom_max, int32_t level);

// The slider positions a zoom step passes through, in order, before it rests on the value of
// the new factor: zoom in from factor f runs v(f) down to v(f + 1) + 1, zoom out v(f) up to
// v(f - 1) - 1. first > last for zoom in; an empty run has count 0.
struct ZoomStepRun {
  int32_t first = 0;
  int32_t count = 0;
  int32_t direction = 0;  // -1 zoom in (values fall), +1 zoom out
  int32_t rest_value = 0;  // the slider value of the new factor
  int32_t new_factor = 0;
};
ZoomStepRun ZoomInRun(int32_t factor, int32_t zoom_max);
ZoomStepRun ZoomOutRun(int32_t factor, int32_t zoom_max);

// The pan steps between the remembered and the new slider position: a move back sends the
// "minus" id |d| times, a move on the "plus" id d times.
struct PanSteps {
  bool minus = false;
  int32_t count = 0;
};
PanSteps PanStepsFor(int32_t position, int32_t last_position);

// Id 33's value for a Frame item: item 0 is 0 (no overlay), item n is n + 16.
int32_t FrameValueFor(int32_t frame_item);
// What a value of id 33 read from the camera selects.
struct EffectSelection {
  bool set_effect = false;
  int32_t effect_item = -1;  // -1 clears the selection
  bool set_frame = false;
  int32_t frame_item = -1;  // may lie beyond the items: the group limits it to its last
};
EffectSelection EffectSelectionFor(int32_t effect_value);

// A slider's increment: a twentieth of its range, in integers.
int32_t SliderIncrement(int32_t minimum, int32_t maximum);

// "Zoom in 1.3" for factor 13.
std::string ZoomBannerText(int32_t zoom_factor);

// Where a window goes to stay on the desktop: left edge, then right, then top, then bottom
// (which leaves 30 pixels above the desktop's bottom for a task bar). The size never changes.
struct WindowPlace {
  int left = 0;
  int top = 0;
};
WindowPlace KeepPropertyWindowOnDesktop(int left, int top, int width, int height,
                                        int desktop_left, int desktop_top, int desktop_right,
                                        int desktop_bottom);

}  // namespace kvo
