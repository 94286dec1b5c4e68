// The property window's controls as the tests drive them: what a user sees and changes.
#pragma once

#include "property_form.h"

namespace kvo {

struct PropertyFormControls {
  explicit PropertyFormControls(TPropertyForm& form)
      : form_(form), Pages(form.Pages), Brightness(form.Brightness), Contrast(form.Contrast),
        Hue(form.Hue), LowLight(form.LowLight), IODoor(form.IODoor), Flicker(form.Flicker),
        Save(form.Save), Restore(form.Restore), Effect(form.Effect), Frame(form.Frame),
        USBbw(form.USBbw), Exposure(form.Exposure), RGain(form.RGain),
        ExposureAuto(form.ExposureAuto), WBAuto(form.WBAuto), EnabledZoom(form.EnabledZoom),
        Zoom(form.Zoom), Horizon(form.Horizon), Vertical(form.Vertical),
        ZoomShowTimer(form.ZoomShowTimer) {}

  // The value the slider table holds for a row (the last one read or sent).
  int32_t SliderRowValue(int row) const { return form_.Sliders[row].value; }

 private:
  TPropertyForm& form_;

 public:
  toolkit::PageControl& Pages;
  toolkit::Slider& Brightness;
  toolkit::Slider& Contrast;
  toolkit::Slider& Hue;
  toolkit::CheckBox& LowLight;
  toolkit::RadioGroup& IODoor;
  toolkit::RadioGroup& Flicker;
  toolkit::PictureButton& Save;
  toolkit::PictureButton& Restore;
  toolkit::RadioGroup& Effect;
  toolkit::RadioGroup& Frame;
  toolkit::Slider& USBbw;
  toolkit::Slider& Exposure;
  toolkit::Slider& RGain;
  toolkit::CheckBox& ExposureAuto;
  toolkit::CheckBox& WBAuto;
  toolkit::CheckBox& EnabledZoom;
  toolkit::Slider& Zoom;
  toolkit::Slider& Horizon;
  toolkit::Slider& Vertical;
  toolkit::Timer& ZoomShowTimer;
};

}  // namespace kvo
