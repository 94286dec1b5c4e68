#include "digital_zoom.h"

#include "property_rules.h"

namespace kvo {

void DigitalZoom::SetZoomMax(int32_t zoom_max) { limit_ = ZoomLimitFor(zoom_max); }

bool DigitalZoom::TakeFactorFromSlider(bool zoom_on, int32_t slider_value, int32_t zoom_max) {
  factor_ = zoom_on ? ZoomFactorFor(slider_value, zoom_max) : kZoomFactorOne;
  return zoom_on;
}

bool DigitalZoom::FollowSlider(bool zoom_on, int32_t slider_value, int32_t zoom_max) {
  if (guard_) return false;
  return TakeFactorFromSlider(zoom_on, slider_value, zoom_max);
}

bool DigitalZoom::StepsAvailable() const {
  return controls_ != nullptr && controls_->ZoomBoxEnabled();
}

void DigitalZoom::Step(bool zoom_in) {
  if (controls_ == nullptr) return;
  ZoomControls& controls = *controls_;
  const bool can_step = zoom_in ? factor_ < limit_ : factor_ > kZoomFactorOne;
  if (can_step) MoveSlider(controls, zoom_in);
  controls.ShowZoomBanner();
  if (!zoom_in && factor_ == kZoomFactorOne && controls.ZoomBoxChecked()) {
    controls.SetZoomBoxChecked(false);
  }
}

// Checking the box first switches the zoom on (reloading the slider, which the factor still
// follows); the guard then keeps the factor while the slider passes the step's positions.
void DigitalZoom::MoveSlider(ZoomControls& controls, bool zoom_in) {
  controls.SetZoomBoxChecked(true);
  guard_ = true;
  struct ClearGuard {
    bool& guard;
    ~ClearGuard() { guard = false; }
  } clear_guard{guard_};
  const int32_t maximum = controls.ZoomSliderMaximum();
  const ZoomStepRun run = zoom_in ? ZoomInRun(factor_, maximum) : ZoomOutRun(factor_, maximum);
  for (int32_t step = 0; step < run.count; ++step) {
    controls.SetZoomSliderValue(run.first + step * run.direction);
    controls.PauseBetweenSteps();
  }
  factor_ = run.new_factor;
  controls.SetZoomSliderValue(run.rest_value);
}

}  // namespace kvo
