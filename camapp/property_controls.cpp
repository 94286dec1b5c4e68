// The property window's designed layout and the creation of its controls.
#include <iterator>

#include "property_form.h"

namespace kvo {

using toolkit::ArgsFrom;
using toolkit::ControlDesign;

namespace {

constexpr UINT kZoomShowInterval = 1000;

// The designed window, in creation (tab) order. Parents: the page or the group named in the
// comment before each block.
struct PropertyLayout {
  ControlDesign pages;
  // Page Image.
  ControlDesign image_control;
  ControlDesign brightness_label, contrast_label, gamma_label, hue_label, saturation_label,
      sharpness_label;
  ControlDesign brightness, contrast, gamma, hue, saturation, sharpness;
  ControlDesign image_mirror, image_flip, low_light, io_door, flicker;
  ControlDesign extra_control, backlight, bw_mode;  // the last two in "Extra Control"
  ControlDesign save, restore, reset;
  // Page Effect.
  ControlDesign effect, frame;
  // Page Misc: "Auto Mode Control", " White Balance" inside it, and "Zoom".
  ControlDesign auto_mode, bandwidth_label, exposure_label, auto_label;
  ControlDesign usb_bw, exposure, usb_bw_auto, exposure_auto;
  ControlDesign white_balance, red_label, blue_label, r_gain, b_gain, wb_auto;
  ControlDesign zoom_group, enabled_zoom, zoom, horizon, vertical;
};
// One row per member of PropertyLayout, in its order; each row names its member.
constexpr PropertyLayout kLayout{
    {{0, 0, 264, 424}, "", ""},                              // pages
    {{0, 0, 262, 402}, "Image Control", ""},                 // image_control
    {{8, 29, 0, 0}, "Brightness", ""},                       // brightness_label
    {{8, 77, 0, 0}, "Contrast", ""},                         // contrast_label
    {{8, 131, 0, 0}, "Gamma", ""},                           // gamma_label
    {{8, 180, 0, 0}, "Hue", ""},                             // hue_label
    {{8, 232, 0, 0}, "Saturation", ""},                      // saturation_label
    {{8, 282, 0, 0}, "Sharpness", ""},                       // sharpness_label
    {{10, 43, 92, 31}, "", ""},                              // brightness
    {{10, 94, 92, 31}, "", ""},                              // contrast
    {{10, 147, 92, 31}, "", ""},                             // gamma
    {{10, 197, 92, 31}, "", ""},                             // hue
    {{10, 247, 92, 31}, "", ""},                             // saturation
    {{10, 301, 92, 31}, "", ""},                             // sharpness
    {{112, 40, 89, 25}, "Image Mirr&or", ""},                // image_mirror
    {{112, 61, 89, 25}, "Image &Flip", ""},                  // image_flip
    {{112, 84, 89, 25}, "&Low Light", ""},                   // low_light
    {{113, 109, 129, 49}, "In/Out Door", ""},                // io_door
    {{113, 163, 129, 49}, "Flicker", ""},                    // flicker
    {{112, 216, 129, 73}, "Extra Control", ""},              // extra_control
    {{8, 24, 150, 25}, "&Backlight Comp", ""},               // backlight
    {{8, 48, 150, 25}, "B/&W Mode", ""},                     // bw_mode
    {{112, 302, 33, 30}, "", "Save Camera Setting"},         // save
    {{150, 302, 33, 30}, "", "Restroe Camera Setting"},      // restore
    {{188, 302, 33, 30}, "", "Set Default Camera Setting"},  // reset
    {{0, 0, 262, 225}, "Effect", ""},                        // effect
    {{0, 248, 262, 154}, "Frame", ""},                       // frame
    {{0, 0, 262, 225}, "Auto Mode Control", ""},             // auto_mode
    {{7, 23, 0, 0}, "USB BandWidth", ""},                    // bandwidth_label
    {{7, 70, 0, 0}, "Exposure", ""},                         // exposure_label
    {{170, 22, 0, 0}, "Auto", ""},                           // auto_label
    {{8, 35, 92, 33}, "", ""},                               // usb_bw
    {{9, 82, 92, 29}, "", ""},                               // exposure
    {{148, 39, 58, 25}, "&UAuto", ""},                       // usb_bw_auto
    {{148, 78, 58, 25}, "E&Auto", ""},                       // exposure_auto
    {{15, 111, 217, 99}, " White Balance", ""},              // white_balance
    {{9, 30, 0, 0}, "Red", ""},                              // red_label
    {{9, 66, 0, 0}, "Blue", ""},                             // blue_label
    {{48, 23, 67, 34}, "", ""},                              // r_gain
    {{48, 59, 67, 30}, "", ""},                              // b_gain
    {{132, 40, 69, 25}, " &WAuto", ""},                      // wb_auto
    {{0, 248, 262, 154}, "Zoom", ""},                        // zoom_group
    {{16, 32, 57, 25}, "&Zoom", ""},                         // enabled_zoom
    {{72, 32, 49, 30}, "", ""},                              // zoom
    {{24, 112, 128, 33}, "", ""},                            // horizon
    {{183, 21, 40, 128}, "", ""},                            // vertical
};

const char* const kPageCaptions[] = {"     &Image     ", "     &Effect     ",
                                     "      &Misc     "};
const char* const kEffectItems[] = {"&No Effect", "Aged Photo", "Canvas", "Emboss",
                                    "Neon Light", "Invert", "Motion", "Spread", "Shear",
                                    "Monitor", "Ellipse", "Alien Map", "Glass title",
                                    "Breeze", "Magic Mirror", "Mosiac", "TV Effect"};
const char* const kFrameItems[] = {"No &Frame", "Post Card", "Flower", "Jungle", "Television",
                                   "Magazine", "Computer monitor", "Aim", "Paper", "Snow",
                                   kMagnifierItem};

}  // namespace

template <typename Control>
bool TPropertyForm::CreateUnfocused(Control& control, const ControlDesign& design, HWND parent) {
  return control.Create(ArgsFrom<typename Control::CreateArgs>(design, parent, skin_));
}

bool TPropertyForm::CreateControls() {
  save_picture_ = toolkit::LoadPicture(instance_, "PROPERTY_SAVE");
  restore_picture_ = toolkit::LoadPicture(instance_, "PROPERTY_RESTORE");
  reset_picture_ = toolkit::LoadPicture(instance_, "PROPERTY_RESET");

  auto pages = ArgsFrom<toolkit::PageControl::CreateArgs>(kLayout.pages, hwnd(), skin_);
  for (const char* caption : kPageCaptions) pages.pages.push_back(caption);
  const bool created = Pages.Create(pages) && CreateImagePage(Pages.Page(0)) &&
                       CreateEffectPage(Pages.Page(1)) && CreateMiscPage(Pages.Page(2));
  if (!created) return false;

  ZoomShowTimer.Create(
      {kZoomShowInterval, false, [this](toolkit::Timer&) { ZoomShowTimerTimer(); }});
  Pages.SetActivePage(0);
  return true;
}

bool TPropertyForm::CreateImagePage(HWND page) {
  const PropertyLayout& l = kLayout;
  const char* const io_items[] = {"Out", "In"};
  const char* const flicker_items[] = {"50 Hz", "60 Hz"};
  if (!CreateUnfocused(ImageControl, l.image_control, page)) return false;
  HWND image = ImageControl.hwnd();
  const SliderHandler sent = &TPropertyForm::TrackbarsChange;
  const ClickHandler checks = &TPropertyForm::CheckBoxsClick;
  return CreateUnfocused(BrightnessLabel, l.brightness_label, image) &&
         CreateUnfocused(ContrastLabel, l.contrast_label, image) &&
         CreateUnfocused(GammaLabel, l.gamma_label, image) &&
         CreateUnfocused(HueLabel, l.hue_label, image) &&
         CreateUnfocused(SaturationLabel, l.saturation_label, image) &&
         CreateUnfocused(SharpnessLabel, l.sharpness_label, image) &&
         CreateSlider(Brightness, l.brightness, image, 0, sent) &&
         CreateSlider(Contrast, l.contrast, image, 2, sent, 10000, 20000) &&
         CreateSlider(Gamma, l.gamma, image, 4, sent) &&
         CreateSlider(Hue, l.hue, image, 6, sent) &&
         CreateSlider(Saturation, l.saturation, image, 8, sent) &&
         CreateSlider(Sharpness, l.sharpness, image, 10, sent) &&
         CreateCheck(ImageMirror, l.image_mirror, image, checks) &&
         CreateCheck(ImageFlip, l.image_flip, image, checks) &&
         CreateCheck(LowLight, l.low_light, image, checks) &&
         CreateRadio(IODoor, l.io_door, image, io_items, 2, &TPropertyForm::IODoorClick) &&
         CreateRadio(Flicker, l.flicker, image, flicker_items, 2, &TPropertyForm::FlickerClick) &&
         CreateUnfocused(ExtraControl, l.extra_control, image) &&
         CreateCheck(Backlight, l.backlight, ExtraControl.hwnd(), checks) &&
         CreateCheck(BWMode, l.bw_mode, ExtraControl.hwnd(), checks) &&
         CreatePicture(Save, l.save, image, save_picture_.get(), &TPropertyForm::SaveClick) &&
         CreatePicture(Restore, l.restore, image, restore_picture_.get(),
                       &TPropertyForm::RestoreClick) &&
         CreatePicture(Reset, l.reset, image, reset_picture_.get(), &TPropertyForm::ResetClick);
}

bool TPropertyForm::CreateEffectPage(HWND page) {
  return CreateRadio(Effect, kLayout.effect, page, kEffectItems, std::size(kEffectItems),
                     &TPropertyForm::EffectClick) &&
         CreateRadio(Frame, kLayout.frame, page, kFrameItems, std::size(kFrameItems),
                     &TPropertyForm::FrameClick);
}

bool TPropertyForm::CreateMiscPage(HWND page) {
  const PropertyLayout& l = kLayout;
  if (!CreateUnfocused(AutoModeControl, l.auto_mode, page) ||
      !CreateUnfocused(ZoomGroup, l.zoom_group, page)) {
    return false;
  }
  HWND automatic = AutoModeControl.hwnd();
  auto usb_bw = ArgsFrom<toolkit::Slider::CreateArgs>(l.usb_bw, automatic, skin_);
  usb_bw.minimum = 1;
  usb_bw.maximum = 8;
  usb_bw.value = 1;
  usb_bw.on_change = [this](toolkit::Slider&) { USBbwChange(); };
  auto exposure = ArgsFrom<toolkit::Slider::CreateArgs>(l.exposure, automatic, skin_);
  exposure.maximum = 2550000;
  exposure.on_change = [this](toolkit::Slider&) { ExposureChange(); };
  const bool automatic_created =
      CreateUnfocused(USBBandWidthLabel, l.bandwidth_label, automatic) &&
      CreateUnfocused(ExposureLabel, l.exposure_label, automatic) &&
      CreateUnfocused(AutoLabel, l.auto_label, automatic) && USBbw.Create(usb_bw) &&
      Exposure.Create(exposure) &&
      CreateCheck(USBbwAuto, l.usb_bw_auto, automatic, &TPropertyForm::USBbwAutoClick) &&
      CreateCheck(ExposureAuto, l.exposure_auto, automatic, &TPropertyForm::ExposureAutoClick) &&
      CreateUnfocused(WhiteBalance, l.white_balance, automatic);
  if (!automatic_created) return false;
  HWND balance = WhiteBalance.hwnd();
  return CreateUnfocused(RedLabel, l.red_label, balance) &&
         CreateUnfocused(BlueLabel, l.blue_label, balance) &&
         CreateSlider(RGain, l.r_gain, balance, 14, &TPropertyForm::TrackbarsChange) &&
         CreateSlider(BGain, l.b_gain, balance, 16, &TPropertyForm::TrackbarsChange) &&
         CreateCheck(WBAuto, l.wb_auto, balance, &TPropertyForm::WBAutoClick) &&
         CreateZoomControls(ZoomGroup.hwnd());
}

bool TPropertyForm::CreateZoomControls(HWND group) {
  const PropertyLayout& l = kLayout;
  auto zoom_slider = ArgsFrom<toolkit::Slider::CreateArgs>(l.zoom, group, skin_);
  zoom_slider.enabled = false;
  zoom_slider.maximum = 10;
  zoom_slider.line_size = 2;
  zoom_slider.on_change = [this](toolkit::Slider&) { ZoomChange(); };
  auto horizon = ArgsFrom<toolkit::Slider::CreateArgs>(l.horizon, group, skin_);
  horizon.visible = false;
  horizon.maximum = kPanRange;
  horizon.value = kPanCentre;
  horizon.on_change = [this](toolkit::Slider&) { HorizonChange(); };
  auto vertical = ArgsFrom<toolkit::Slider::CreateArgs>(l.vertical, group, skin_);
  vertical.orientation = toolkit::SliderOrientation::kVertical;
  vertical.visible = false;
  vertical.maximum = kPanRange;
  vertical.value = kPanCentre;
  vertical.on_change = [this](toolkit::Slider&) { VerticalChange(); };
  return CreateCheck(EnabledZoom, l.enabled_zoom, group, &TPropertyForm::EnabledZoomClick) &&
         Zoom.Create(zoom_slider) && Horizon.Create(horizon) && Vertical.Create(vertical);
}

bool TPropertyForm::CreateSlider(toolkit::Slider& control, const ControlDesign& design,
                                 HWND parent, int tag, SliderHandler handler, int minimum,
                                 int maximum) {
  auto args = ArgsFrom<toolkit::Slider::CreateArgs>(design, parent, skin_);
  args.tag = tag;
  args.minimum = minimum;
  args.maximum = maximum;
  args.value = minimum;
  args.on_change = [this, handler](toolkit::Slider& changed) { (this->*handler)(changed); };
  const bool created = control.Create(args);
  control.tag = tag;
  return created;
}

bool TPropertyForm::CreateCheck(toolkit::CheckBox& box, const ControlDesign& design,
                                HWND parent, ClickHandler handler) {
  auto args = ArgsFrom<toolkit::CheckBox::CreateArgs>(design, parent, skin_);
  args.on_click = [this, handler](toolkit::CheckBox&) { (this->*handler)(); };
  return box.Create(args);
}

bool TPropertyForm::CreateRadio(toolkit::RadioGroup& group, const ControlDesign& design,
                                HWND parent, const char* const* items, size_t count,
                                ClickHandler handler) {
  auto args = ArgsFrom<toolkit::RadioGroup::CreateArgs>(design, parent, skin_);
  args.items.assign(items, items + count);
  args.columns = 2;
  args.on_click = [this, handler](toolkit::RadioGroup&) { (this->*handler)(); };
  return group.Create(args);
}

bool TPropertyForm::CreatePicture(toolkit::PictureButton& button, const ControlDesign& design,
                                  HWND parent, HBITMAP bitmap, ClickHandler handler) {
  auto args = ArgsFrom<toolkit::PictureButton::CreateArgs>(design, parent, skin_);
  args.picture = bitmap;
  args.on_click = [this, handler](toolkit::PictureButton&) { (this->*handler)(); };
  return button.Create(args);
}

}  // namespace kvo
