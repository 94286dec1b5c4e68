// The digital zoom's one owner: the zoom factor and its limit in tenths (10 = 1.0x), the
// guard that keeps the factor while a zoom step moves the slider itself, and the zoom steps of
// the main window's commands. The property window reports its Zoom slider here and lends its
// zoom controls through ZoomControls; the main window only asks for a step.
#pragma once

#include <cstdint>

namespace kvo {

constexpr int32_t kZoomFactorOne = 10;
// The pause after each slider position of a step, so the camera shows a short animation.
constexpr uint32_t kZoomStepPauseMs = 15;

// The property window's zoom controls as a zoom step moves them.
class ZoomControls {
 public:
  virtual ~ZoomControls() = default;
  virtual bool ZoomBoxEnabled() const = 0;
  virtual bool ZoomBoxChecked() const = 0;
  // Runs the box's click handling, which switches the camera's zoom on or off.
  virtual void SetZoomBoxChecked(bool checked) = 0;
  virtual int32_t ZoomSliderMaximum() const = 0;
  // Runs the slider's change handling, which sends the camera the new zoom level.
  virtual void SetZoomSliderValue(int32_t value) = 0;
  virtual void ShowZoomBanner() = 0;
  virtual void PauseBetweenSteps() = 0;
};

class DigitalZoom {
 public:
  int32_t ZoomFactor() const { return factor_; }
  int32_t ZoomLimit() const { return limit_; }
  // Set while a zoom step moves the slider: the slider's changes then leave the factor alone.
  bool ZoomGuard() const { return guard_; }

  // The property window lends its controls once they exist, and takes them back (null).
  void BindControls(ZoomControls* controls) { controls_ = controls; }

  // The camera's zoom maximum sets the limit.
  void SetZoomMax(int32_t zoom_max);
  // The factor shown by the slider's value while the zoom is on, 1.0 while it is off. True
  // when the zoom is on, so the banner shows the new factor.
  bool TakeFactorFromSlider(bool zoom_on, int32_t slider_value, int32_t zoom_max);
  // The same for a change of the slider, unless a zoom step moves it (the guard).
  bool FollowSlider(bool zoom_on, int32_t slider_value, int32_t zoom_max);

  // A step needs the property window's zoom box enabled.
  bool StepsAvailable() const;
  // One step in (up to the limit) or out (down to 1.0): the slider passes every position of
  // the step, then rests on the new factor's value; the banner is redrawn in any case, and
  // the zoom is switched off when a step out reaches 1.0.
  void Step(bool zoom_in);

 private:
  void MoveSlider(ZoomControls& controls, bool zoom_in);

  ZoomControls* controls_ = nullptr;
  int32_t factor_ = kZoomFactorOne;
  int32_t limit_ = kZoomFactorOne;
  bool guard_ = false;
};

}  // namespace kvo
