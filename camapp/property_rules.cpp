#include "property_rules.h"

#include <cstdio>
#include <cstdlib>

namespace kvo {
namespace {
constexpr int32_t kZoomScale = 128;
constexpr int32_t kDefaultZoomMax = 64;
constexpr int32_t kFactorOne = 10;
constexpr int32_t kFrameValueOffset = 16;
constexpr int32_t kLastEffectValue = 16;
constexpr int32_t kEffectUnchanged = 254;
constexpr int32_t kTaskBarAllowance = 30;

// direction -1 zooms in (the factor rises, the slider values fall), +1 zooms out.
ZoomStepRun ZoomRun(int32_t factor, int32_t zoom_max, int32_t direction) {
  ZoomStepRun run;
  run.first = ZoomSliderValueFor(factor, zoom_max);
  run.new_factor = factor - direction;
  run.rest_value = ZoomSliderValueFor(run.new_factor, zoom_max);
  run.direction = direction;
  const int32_t span = direction * (run.rest_value - direction - run.first);
  run.count = span >= 0 ? span + 1 : 0;
  return run;
}

}  // namespace

int32_t UsableZoomMax(int32_t reported) {
  if (reported <= 0 || reported >= kZoomScale) return kDefaultZoomMax;
  return reported;
}

int32_t ZoomLimitFor(int32_t zoom_max) {
  return (kZoomScale / (kZoomScale - UsableZoomMax(zoom_max))) * kFactorOne;
}

int32_t ZoomFactorFor(int32_t slider_value, int32_t zoom_max) {
  const int32_t divisor = slider_value - UsableZoomMax(zoom_max) + kZoomScale;
  // A value below max - 127 cannot come from the slider (its minimum is 0); it reads as the
  // strongest zoom rather than a division by zero.
  if (divisor <= 0) return kZoomScale * kFactorOne;
  return kZoomScale * kFactorOne / divisor;
}

int32_t ZoomSliderValueFor(int32_t factor, int32_t zoom_max) {
  if (factor <= 0) factor = kFactorOne;
  return zoom_max - (kZoomScale - kZoomScale * kFactorOne / factor);
}

int32_t ZoomSliderValueForLevel(int32_t zoom_max, int32_t level) {
  const int64_t value = static_cast<int64_t>(zoom_max) - level;
  if (value < 0) return 0;
  return value > zoom_max ? zoom_max : static_cast<int32_t>(value);
}

ZoomStepRun ZoomInRun(int32_t factor, int32_t zoom_max) { return ZoomRun(factor, zoom_max, -1); }

ZoomStepRun ZoomOutRun(int32_t factor, int32_t zoom_max) { return ZoomRun(factor, zoom_max, 1); }

PanSteps PanStepsFor(int32_t position, int32_t last_position) {
  const int32_t difference = position - last_position;
  PanSteps steps;
  steps.minus = difference < 0;
  steps.count = std::abs(difference);
  return steps;
}

int32_t FrameValueFor(int32_t frame_item) {
  return frame_item == 0 ? 0 : frame_item + kFrameValueOffset;
}

EffectSelection EffectSelectionFor(int32_t effect_value) {
  EffectSelection selection;
  if (effect_value == kEffectUnchanged) return selection;
  if (effect_value == 0) {
    selection.set_effect = true;
    selection.effect_item = 0;
    selection.set_frame = true;
    selection.frame_item = 0;
  } else if (effect_value < 0) {
    selection.set_effect = true;
    selection.effect_item = -1;
  } else if (effect_value <= kLastEffectValue) {
    selection.set_effect = true;
    selection.effect_item = effect_value;
  } else {
    selection.set_frame = true;
    selection.frame_item = effect_value - kFrameValueOffset;
  }
  return selection;
}

int32_t SliderIncrement(int32_t minimum, int32_t maximum) {
  return static_cast<int32_t>((static_cast<int64_t>(maximum) - minimum) / 20);
}

std::string ZoomBannerText(int32_t zoom_factor) {
  char text[32] = {};
  std::snprintf(text, sizeof text, "Zoom in %1.1f", zoom_factor * 0.1);
  return text;
}

WindowPlace KeepPropertyWindowOnDesktop(int left, int top, int width, int height,
                                        int desktop_left, int desktop_top, int desktop_right,
                                        int desktop_bottom) {
  WindowPlace place{left, top};
  if (place.left < desktop_left) place.left = desktop_left;
  if (place.left + width > desktop_right) place.left = desktop_right - width;
  if (place.top < desktop_top) place.top = desktop_top;
  if (place.top + height > desktop_bottom) {
    place.top = desktop_bottom - height - kTaskBarAllowance;
  }
  return place;
}

}  // namespace kvo
