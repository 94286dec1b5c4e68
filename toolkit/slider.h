// A slider (trackbar). Its range and value follow SliderRange: every change from code or by
// the user keeps the value within minimum..maximum, and on_change runs whenever the value
// changes (SetValue, SetMinimum, SetMaximum, SetRange or the user's move).
#pragma once

#include <functional>

#include "toolkit_control.h"

namespace kvo::toolkit {

enum class SliderOrientation { kHorizontal, kVertical };

class Slider : public Control {
 public:
  struct CreateArgs : ControlArgs {
    SliderOrientation orientation = SliderOrientation::kHorizontal;
    int minimum = 0;
    int maximum = 100;
    int value = 0;      // initial value, clamped; set without running the handler
    int line_size = 1;  // arrow keys; the page keys move a fifth of the range
    std::function<void(Slider&)> on_change;
  };
  bool Create(const CreateArgs& args);

  int Value() const { return range_.value; }
  int Minimum() const { return range_.minimum; }
  int Maximum() const { return range_.maximum; }
  void SetValue(int value);
  void SetMinimum(int minimum);
  void SetMaximum(int maximum);
  void SetRange(int minimum, int maximum);
  void SetLineSize(int line_size);

 protected:
  bool OnScroll(HWND source, WORD code, LRESULT* result) override;

 private:
  void ShowRange();
  void AfterChange(bool value_changed);

  SliderRange range_;
  std::function<void(Slider&)> on_change_;
};

}  // namespace kvo::toolkit
