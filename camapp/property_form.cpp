#include "property_form.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "error_barrier.h"
#include "property_rules.h"
#include "skin_data.h"
#include "window_placement.h"

namespace kvo {

bool SettingSaved = false;
int32_t LastExposure = 400000;
int32_t LastHorizon = 64;
int32_t LastVertical = 64;

namespace {

constexpr int32_t kPanCentre = 64;
constexpr int32_t kPanRange = 128;
constexpr UINT kZoomShowInterval = 1000;

// The designed window, in creation (tab) order. Parents: the page or the group named in the
// comment before each block.
using toolkit::ArgsFrom;
using toolkit::ControlDesign;

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
constexpr PropertyLayout kLayout{
    {{0, 0, 264, 424}, "", ""},
    {{0, 0, 262, 402}, "Image Control", ""},
    {{8, 29, 0, 0}, "Brightness", ""},
    {{8, 77, 0, 0}, "Contrast", ""},
    {{8, 131, 0, 0}, "Gamma", ""},
    {{8, 180, 0, 0}, "Hue", ""},
    {{8, 232, 0, 0}, "Saturation", ""},
    {{8, 282, 0, 0}, "Sharpness", ""},
    {{10, 43, 92, 31}, "", ""},
    {{10, 94, 92, 31}, "", ""},
    {{10, 147, 92, 31}, "", ""},
    {{10, 197, 92, 31}, "", ""},
    {{10, 247, 92, 31}, "", ""},
    {{10, 301, 92, 31}, "", ""},
    {{112, 40, 89, 25}, "Image Mirr&or", ""},
    {{112, 61, 89, 25}, "Image &Flip", ""},
    {{112, 84, 89, 25}, "&Low Light", ""},
    {{113, 109, 129, 49}, "In/Out Door", ""},
    {{113, 163, 129, 49}, "Flicker", ""},
    {{112, 216, 129, 73}, "Extra Control", ""},
    {{8, 24, 150, 25}, "&Backlight Comp", ""},
    {{8, 48, 150, 25}, "B/&W Mode", ""},
    {{112, 302, 33, 30}, "", "Save Camera Setting"},
    {{150, 302, 33, 30}, "", "Restroe Camera Setting"},
    {{188, 302, 33, 30}, "", "Set Default Camera Setting"},
    {{0, 0, 262, 225}, "Effect", ""},
    {{0, 248, 262, 154}, "Frame", ""},
    {{0, 0, 262, 225}, "Auto Mode Control", ""},
    {{7, 23, 0, 0}, "USB BandWidth", ""},
    {{7, 70, 0, 0}, "Exposure", ""},
    {{170, 22, 0, 0}, "Auto", ""},
    {{8, 35, 92, 33}, "", ""},
    {{9, 82, 92, 29}, "", ""},
    {{148, 39, 58, 25}, "&UAuto", ""},
    {{148, 78, 58, 25}, "E&Auto", ""},
    {{15, 111, 217, 99}, " White Balance", ""},
    {{9, 30, 0, 0}, "Red", ""},
    {{9, 66, 0, 0}, "Blue", ""},
    {{48, 23, 67, 34}, "", ""},
    {{48, 59, 67, 30}, "", ""},
    {{132, 40, 69, 25}, " &WAuto", ""},
    {{0, 248, 262, 154}, "Zoom", ""},
    {{16, 32, 57, 25}, "&Zoom", ""},
    {{72, 32, 49, 30}, "", ""},
    {{24, 112, 128, 33}, "", ""},
    {{183, 21, 40, 128}, "", ""},
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

HBITMAP CreateBannerBitmap() {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kBannerWidth;
  info.bmiHeader.biHeight = kBannerHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

struct DibView {
  uint8_t* bits = nullptr;
  int stride = 0;
};
DibView ViewOf(HBITMAP bitmap) {
  DIBSECTION section{};
  if (GetObjectA(bitmap, sizeof section, &section) != sizeof section) return {};
  return {static_cast<uint8_t*>(section.dsBm.bmBits), section.dsBm.bmWidthBytes};
}

// Draws source onto target at (dx, dy), leaving out pure blue pixels (the see-through
// colour).
void DrawTransparent(HBITMAP source, HBITMAP target, int dx, int dy) {
  GdiFlush();
  const DibView from = ViewOf(source);
  const DibView to = ViewOf(target);
  if (from.bits == nullptr || to.bits == nullptr) return;
  // The rows are stored bottom up: a move down by dy is a move to lower row numbers.
  for (int y = 0; y < kBannerHeight; ++y) {
    const int target_y = y + dy;
    if (target_y >= kBannerHeight) break;
    const uint8_t* source_row = from.bits + (kBannerHeight - 1 - y) * from.stride;
    uint8_t* target_row = to.bits + (kBannerHeight - 1 - target_y) * to.stride;
    for (int x = 0; x + dx < kBannerWidth; ++x) {
      const uint8_t* pixel = source_row + 3 * x;
      if (pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 0) continue;  // blue, green, red
      std::memcpy(target_row + 3 * (x + dx), pixel, 3);
    }
  }
}

void DrawBannerText(HBITMAP bitmap, const std::string& text, int x, int y, COLORREF colour,
                    bool fill_blue) {
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return;
  HGDIOBJ old_bitmap = SelectObject(dc.get(), bitmap);
  if (fill_blue) {
    UniqueHPen pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 255)));
    UniqueHBrush brush(CreateSolidBrush(RGB(0, 0, 255)));
    HGDIOBJ old_pen = SelectObject(dc.get(), pen.get());
    HGDIOBJ old_brush = SelectObject(dc.get(), brush.get());
    Rectangle(dc.get(), 0, 0, kBannerWidth, kBannerHeight);
    SelectObject(dc.get(), old_pen);
    SelectObject(dc.get(), old_brush);
  }
  const int height = -MulDiv(18, GetDeviceCaps(dc.get(), LOGPIXELSY), 72);
  UniqueHFont font(CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH, "MS Serif"));
  HGDIOBJ old_font = SelectObject(dc.get(), font.get());
  SetBkMode(dc.get(), TRANSPARENT);
  SetTextColor(dc.get(), colour);
  TextOutA(dc.get(), x, y, text.c_str(), static_cast<int>(text.size()));
  SelectObject(dc.get(), old_font);
  SelectObject(dc.get(), old_bitmap);
  GdiFlush();
}

// The user's temporary folder + "zoomtmp.bmp"; empty when it does not fit id 34's path.
std::string TemporaryBannerPath() {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return std::string();
  std::string path(folder, length);
  if (path.back() != '\\') path += '\\';
  path += "zoomtmp.bmp";
  if (path.size() >= kBannerPathBufferSize) return std::string();
  return path;
}

}  // namespace

TPropertyForm::TPropertyForm(HINSTANCE instance, ZoomState zoom, const toolkit::SkinData* skin)
    : instance_(instance), zoom_(zoom), skin_(skin) {
  if (zoom_.ZoomFactor == nullptr) zoom_.ZoomFactor = &own_zoom_factor_;
  if (zoom_.ZoomLimit == nullptr) zoom_.ZoomLimit = &own_zoom_limit_;
}

TPropertyForm::~TPropertyForm() {
  ZoomShowTimer.SetEnabled(false);
  DestroyForm();
  // The program ends: the camera handle goes with the window.
  if (CamHandle != nullptr) CM_Close(CamHandle);
  CamHandle = nullptr;
}

bool TPropertyForm::Create() {
  toolkit::EnsureCommonControls();
  // Fixed size; the skinned frame brings the system menu and the roll-up button only.
  toolkit::Form::CreateArgs form;
  form.instance = instance_;
  form.class_name = kPropertyFormClass;
  form.caption = kPropertyFormCaption;
  form.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  form.ex_style = WS_EX_CONTROLPARENT;
  form.client_width = kPropertyClientWidth;
  form.client_height = kPropertyClientHeight;
  form.skin = skin_;
  form.caption_buttons = toolkit::kCaptionSystemMenu | toolkit::kCaptionRollUp;
  form.hide_on_close = true;  // closing only hides
  form.erase_face = true;
  if (!CreateForm(form)) return false;
  if (!CreateBanners() || !CreateControls()) return false;

  ZoomGuard = false;
  FillTables();
  CM_Open(&CamHandle);
  LoadSettings();
  return true;
}

bool TPropertyForm::CreateBanners() {
  BannerText.reset(CreateBannerBitmap());
  BannerImage.reset(CreateBannerBitmap());
  return BannerText && BannerImage;
}

bool TPropertyForm::CreateControls() {
  const PropertyLayout& l = kLayout;
  save_picture_ = toolkit::LoadPicture(instance_, "PROPERTY_SAVE");
  restore_picture_ = toolkit::LoadPicture(instance_, "PROPERTY_RESTORE");
  reset_picture_ = toolkit::LoadPicture(instance_, "PROPERTY_RESET");

  auto pages = ArgsFrom<toolkit::PageControl::CreateArgs>(l.pages, hwnd(), skin_);
  for (const char* caption : kPageCaptions) pages.pages.push_back(caption);
  if (!Pages.Create(pages)) return false;
  HWND image_page = Pages.Page(0);
  HWND effect_page = Pages.Page(1);
  HWND misc_page = Pages.Page(2);

  auto group = [this](toolkit::GroupBox& box, const ControlDesign& design, HWND parent) {
    auto args = ArgsFrom<toolkit::GroupBox::CreateArgs>(design, parent, skin_);
    args.tab_stop = false;
    return box.Create(args);
  };
  auto label = [this](toolkit::Label& text, const ControlDesign& design, HWND parent) {
    auto args = ArgsFrom<toolkit::Label::CreateArgs>(design, parent, skin_);
    args.tab_stop = false;
    return text.Create(args);
  };
  auto slider = [this](toolkit::Slider& control, const ControlDesign& design, HWND parent,
                       int tag, void (TPropertyForm::*handler)(toolkit::Slider&),
                       int minimum = 0, int maximum = 100) {
    auto args = ArgsFrom<toolkit::Slider::CreateArgs>(design, parent, skin_);
    args.tag = tag;
    args.minimum = minimum;
    args.maximum = maximum;
    args.value = minimum;
    args.on_change = [this, handler](toolkit::Slider& changed) { (this->*handler)(changed); };
    const bool created = control.Create(args);
    control.tag = tag;
    return created;
  };
  auto check = [this](toolkit::CheckBox& box, const ControlDesign& design, HWND parent,
                      void (TPropertyForm::*handler)()) {
    auto args = ArgsFrom<toolkit::CheckBox::CreateArgs>(design, parent, skin_);
    args.on_click = [this, handler](toolkit::CheckBox&) { (this->*handler)(); };
    return box.Create(args);
  };
  auto radio = [this](toolkit::RadioGroup& group_box, const ControlDesign& design, HWND parent,
                      const char* const* items, size_t count, void (TPropertyForm::*handler)()) {
    auto args = ArgsFrom<toolkit::RadioGroup::CreateArgs>(design, parent, skin_);
    args.items.assign(items, items + count);
    args.columns = 2;
    args.on_click = [this, handler](toolkit::RadioGroup&) { (this->*handler)(); };
    return group_box.Create(args);
  };
  auto picture = [this](toolkit::PictureButton& button, const ControlDesign& design,
                        HWND parent, HBITMAP bitmap, void (TPropertyForm::*handler)()) {
    auto args = ArgsFrom<toolkit::PictureButton::CreateArgs>(design, parent, skin_);
    args.picture = bitmap;
    args.on_click = [this, handler](toolkit::PictureButton&) { (this->*handler)(); };
    return button.Create(args);
  };
  const char* const io_items[] = {"Out", "In"};
  const char* const flicker_items[] = {"50 Hz", "60 Hz"};

  if (!group(ImageControl, l.image_control, image_page)) return false;
  HWND image = ImageControl.hwnd();
  bool created =
      label(BrightnessLabel, l.brightness_label, image) &&
      label(ContrastLabel, l.contrast_label, image) && label(GammaLabel, l.gamma_label, image) &&
      label(HueLabel, l.hue_label, image) &&
      label(SaturationLabel, l.saturation_label, image) &&
      label(SharpnessLabel, l.sharpness_label, image) &&
      slider(Brightness, l.brightness, image, 0, &TPropertyForm::TrackbarsChange) &&
      slider(Contrast, l.contrast, image, 2, &TPropertyForm::TrackbarsChange, 10000, 20000) &&
      slider(Gamma, l.gamma, image, 4, &TPropertyForm::TrackbarsChange) &&
      slider(Hue, l.hue, image, 6, &TPropertyForm::TrackbarsChange) &&
      slider(Saturation, l.saturation, image, 8, &TPropertyForm::TrackbarsChange) &&
      slider(Sharpness, l.sharpness, image, 10, &TPropertyForm::TrackbarsChange) &&
      check(ImageMirror, l.image_mirror, image, &TPropertyForm::CheckBoxsClick) &&
      check(ImageFlip, l.image_flip, image, &TPropertyForm::CheckBoxsClick) &&
      check(LowLight, l.low_light, image, &TPropertyForm::CheckBoxsClick) &&
      radio(IODoor, l.io_door, image, io_items, 2, &TPropertyForm::IODoorClick) &&
      radio(Flicker, l.flicker, image, flicker_items, 2, &TPropertyForm::FlickerClick) &&
      group(ExtraControl, l.extra_control, image) &&
      check(Backlight, l.backlight, ExtraControl.hwnd(), &TPropertyForm::CheckBoxsClick) &&
      check(BWMode, l.bw_mode, ExtraControl.hwnd(), &TPropertyForm::CheckBoxsClick) &&
      picture(Save, l.save, image, save_picture_.get(), &TPropertyForm::SaveClick) &&
      picture(Restore, l.restore, image, restore_picture_.get(), &TPropertyForm::RestoreClick) &&
      picture(Reset, l.reset, image, reset_picture_.get(), &TPropertyForm::ResetClick);
  if (!created) return false;

  created = radio(Effect, l.effect, effect_page, kEffectItems, std::size(kEffectItems),
                  &TPropertyForm::EffectClick) &&
            radio(Frame, l.frame, effect_page, kFrameItems, std::size(kFrameItems),
                  &TPropertyForm::FrameClick);
  if (!created) return false;

  created = group(AutoModeControl, l.auto_mode, misc_page) &&
            group(ZoomGroup, l.zoom_group, misc_page);
  if (!created) return false;
  HWND automatic = AutoModeControl.hwnd();
  HWND zoom = ZoomGroup.hwnd();
  auto usb_bw = ArgsFrom<toolkit::Slider::CreateArgs>(l.usb_bw, automatic, skin_);
  usb_bw.minimum = 1;
  usb_bw.maximum = 8;
  usb_bw.value = 1;
  usb_bw.on_change = [this](toolkit::Slider&) { USBbwChange(); };
  auto exposure = ArgsFrom<toolkit::Slider::CreateArgs>(l.exposure, automatic, skin_);
  exposure.maximum = 2550000;
  exposure.on_change = [this](toolkit::Slider&) { ExposureChange(); };
  auto zoom_slider = ArgsFrom<toolkit::Slider::CreateArgs>(l.zoom, zoom, skin_);
  zoom_slider.enabled = false;
  zoom_slider.maximum = 10;
  zoom_slider.line_size = 2;
  zoom_slider.on_change = [this](toolkit::Slider&) { ZoomChange(); };
  auto horizon = ArgsFrom<toolkit::Slider::CreateArgs>(l.horizon, zoom, skin_);
  horizon.visible = false;
  horizon.maximum = kPanRange;
  horizon.value = kPanCentre;
  horizon.on_change = [this](toolkit::Slider&) { HorizonChange(); };
  auto vertical = ArgsFrom<toolkit::Slider::CreateArgs>(l.vertical, zoom, skin_);
  vertical.orientation = toolkit::SliderOrientation::kVertical;
  vertical.visible = false;
  vertical.maximum = kPanRange;
  vertical.value = kPanCentre;
  vertical.on_change = [this](toolkit::Slider&) { VerticalChange(); };

  created = label(USBBandWidthLabel, l.bandwidth_label, automatic) &&
            label(ExposureLabel, l.exposure_label, automatic) &&
            label(AutoLabel, l.auto_label, automatic) && USBbw.Create(usb_bw) &&
            Exposure.Create(exposure) &&
            check(USBbwAuto, l.usb_bw_auto, automatic, &TPropertyForm::USBbwAutoClick) &&
            check(ExposureAuto, l.exposure_auto, automatic,
                  &TPropertyForm::ExposureAutoClick) &&
            group(WhiteBalance, l.white_balance, automatic) &&
            label(RedLabel, l.red_label, WhiteBalance.hwnd()) &&
            label(BlueLabel, l.blue_label, WhiteBalance.hwnd()) &&
            slider(RGain, l.r_gain, WhiteBalance.hwnd(), 14, &TPropertyForm::TrackbarsChange) &&
            slider(BGain, l.b_gain, WhiteBalance.hwnd(), 16, &TPropertyForm::TrackbarsChange) &&
            check(WBAuto, l.wb_auto, WhiteBalance.hwnd(), &TPropertyForm::WBAutoClick) &&
            check(EnabledZoom, l.enabled_zoom, zoom, &TPropertyForm::EnabledZoomClick) &&
            Zoom.Create(zoom_slider) && Horizon.Create(horizon) && Vertical.Create(vertical);
  if (!created) return false;

  toolkit::Timer::CreateArgs timer;
  timer.interval = kZoomShowInterval;
  timer.enabled = false;
  timer.on_timer = [this](toolkit::Timer&) { ZoomShowTimerTimer(); };
  ZoomShowTimer.Create(timer);
  Pages.SetActivePage(0);
  return true;
}

void TPropertyForm::FillTables() {
  Sliders[0] = {&Brightness, 0, CM_ID_BRIGHTNESS, 126, 0};
  Sliders[1] = {&Contrast, 0, CM_ID_CONTRAST, 20000, 10000};
  Sliders[2] = {&Gamma, 0, CM_ID_GAMMA, 10000, 0};
  Sliders[3] = {&Hue, 0, CM_ID_HUE, 3600000, 0};
  Sliders[4] = {&Saturation, 0, CM_ID_SATURATION, 29900, 0};
  Sliders[5] = {&Sharpness, 0, CM_ID_SHARPNESS, 79900, 0};
  Sliders[6] = {&Exposure, 0, CM_ID_EXPOSURE, 2000000, 400000};
  Sliders[7] = {&RGain, 0, CM_ID_RED_GAIN, 19900, 5000};
  Sliders[8] = {&BGain, 0, CM_ID_BLUE_GAIN, 19900, 5000};
  Checks[0] = {&ImageMirror, 0, CM_ID_MIRROR};
  Checks[1] = {&ImageFlip, 0, CM_ID_FLIP};
  Checks[2] = {&LowLight, 0, CM_ID_LOW_LIGHT};
  Checks[3] = {&Backlight, 0, CM_ID_BACKLIGHT};
  Checks[4] = {&BWMode, 0, CM_ID_BW_MODE};
}

// ---- Camera calls (their results are not examined) ----

void TPropertyForm::SetValue(unsigned long id, int32_t value) {
  CM_SetProperties(CamHandle, id, &value);
}

void TPropertyForm::SetCommand(unsigned long id) { CM_SetProperties(CamHandle, id, nullptr); }

// ---- Loading ----

void TPropertyForm::LoadSettings() {
  CM_GetProperties(CamHandle, CM_ID_EFFECT, &EffectValue);
  CM_GetProperties(CamHandle, CM_ID_BANDWIDTH, &BandwidthValue);
  CM_GetProperties(CamHandle, CM_ID_BANDWIDTH_AUTO, &BandwidthAutoValue);
  CM_GetProperties(CamHandle, CM_ID_FLICKER, &FlickerValue);
  CM_GetProperties(CamHandle, CM_ID_WB_AUTO, &WBAutoValue);
  CM_GetProperties(CamHandle, CM_ID_INOUT_DOOR, &IODoorValue);
  CM_GetProperties(CamHandle, CM_ID_BACKLIGHT, &BacklightValue);
  CM_GetProperties(CamHandle, CM_ID_BW_MODE, &BWModeValue);
  CM_GetProperties(CamHandle, CM_ID_LOW_LIGHT, &LowLightValue);
  CM_GetProperties(CamHandle, CM_ID_MIRROR, &MirrorValue);
  CM_GetProperties(CamHandle, CM_ID_FLIP, &FlipValue);

  LoadEffectSelection();
  LoadZoom();

  for (SliderRow& row : Sliders) {
    CM_GetProperties(CamHandle, row.id, &row.value);
    row.slider->SetMaximum(row.maximum);
    row.slider->SetMinimum(row.minimum);
    row.slider->SetLineSize(SliderIncrement(row.minimum, row.maximum));
    row.slider->SetValue(row.value);
  }

  IODoor.SetItemIndex(IODoorValue);
  Flicker.SetItemIndex(FlickerValue);
  USBbw.SetValue(BandwidthValue);
  USBbwAuto.SetChecked(BandwidthAutoValue != 0);
  WBAuto.SetChecked(WBAutoValue != 0);
  // Read before the boxes are set: each box's handler sends the whole table.
  const int32_t states[kCheckRows] = {MirrorValue, FlipValue, LowLightValue, BacklightValue,
                                      BWModeValue};
  for (int row = 0; row < kCheckRows; ++row) Checks[row].box->SetChecked(states[row] != 0);

  const bool white_balance_auto = WBAutoValue == 1;
  WBAuto.SetChecked(white_balance_auto);
  RGain.SetEnabled(!white_balance_auto);
  BGain.SetEnabled(!white_balance_auto);
  USBbw.SetEnabled(BandwidthAutoValue != 1);

  // Automatic exposure is always switched on.
  if (ExposureAuto.Checked()) {
    AutoExposureValue = 1;
    SetValue(CM_ID_EXPOSURE_AUTO, AutoExposureValue);
  } else {
    ExposureAuto.SetChecked(true);
    ExposureAutoClick();
  }

  if (EnabledZoom.Checked()) {
    *zoom_.ZoomFactor = ZoomFactorFor(Zoom.Value(), ZoomMax);
    ShowZoomBanner();
  } else {
    *zoom_.ZoomFactor = 10;
  }
}

void TPropertyForm::LoadEffectSelection() {
  const EffectSelection selection = EffectSelectionFor(EffectValue);
  if (selection.set_effect) Effect.SetItemIndex(selection.effect_item);
  if (selection.set_frame) Frame.SetItemIndex(selection.frame_item);
}

void TPropertyForm::LoadZoom() {
  CM_GetProperties(CamHandle, CM_ID_ZOOM_ENABLE, &ZoomOn);
  CM_GetProperties(CamHandle, CM_ID_ZOOM_MAX, &ZoomMax);
  CM_GetProperties(CamHandle, CM_ID_ZOOM_LEVEL, &ZoomLevel);
  ZoomMax = UsableZoomMax(ZoomMax);
  *zoom_.ZoomLimit = ZoomLimitFor(ZoomMax);
  Zoom.SetMinimum(0);
  Zoom.SetMaximum(ZoomMax);
  Zoom.SetLineSize(ZoomLevel);
  Zoom.SetValue(ZoomMax - ZoomLevel);
  EnabledZoom.SetChecked(ZoomOn == 1);
}

void TPropertyForm::ReopenCamera() {
  if (CamHandle != nullptr) CM_Close(CamHandle);
  CamHandle = nullptr;
  CM_Open(&CamHandle);
  LoadSettings();
}

// ---- Sliders ----

void TPropertyForm::TrackbarsChange(toolkit::Slider& slider) {
  const int row = slider.tag / 2;
  if (row < 0 || row >= kSliderRows) return;
  Sliders[row].value = slider.Value();
  SetValue(Sliders[row].id, Sliders[row].value);
}

void TPropertyForm::ExposureChange() {
  if (Exposure.Value() == LastExposure) return;
  LastExposure = Exposure.Value();
  SetValue(CM_ID_EXPOSURE, LastExposure);
}

void TPropertyForm::USBbwChange() {
  BandwidthValue = USBbw.Value();
  USBbw.SetMinimum(1);
  USBbw.SetMaximum(8);
  SetValue(CM_ID_BANDWIDTH, BandwidthValue);
}

// ---- Check boxes ----

void TPropertyForm::CheckBoxsClick() {
  for (CheckRow& row : Checks) {
    row.value = row.box->Checked() ? 1 : 0;
    SetValue(row.id, row.value);
  }
}

void TPropertyForm::USBbwAutoClick() {
  BandwidthAutoValue = USBbwAuto.Checked() ? 1 : 0;
  USBbw.SetEnabled(!USBbwAuto.Checked());
  SetValue(CM_ID_BANDWIDTH_AUTO, BandwidthAutoValue);
}

void TPropertyForm::ExposureAutoClick() {
  if (ExposureAuto.Checked()) {
    AutoExposureValue = 1;
  } else {
    AutoExposureValue = 0;
    Exposure.SetEnabled(true);
  }
  SetValue(CM_ID_EXPOSURE_AUTO, AutoExposureValue);
}

void TPropertyForm::WBAutoClick() {
  const bool automatic = WBAuto.Checked();
  WBAutoValue = automatic ? 1 : 0;
  RGain.SetEnabled(!automatic);
  BGain.SetEnabled(!automatic);
  SetValue(CM_ID_WB_AUTO, WBAutoValue);
}

// ---- Radio groups ----

void TPropertyForm::IODoorClick() {
  if (IODoor.ItemIndex() == 0) {
    IODoorValue = 0;
    Flicker.SetEnabled(false);
  } else if (IODoor.ItemIndex() == 1) {
    IODoorValue = 1;
    Flicker.SetEnabled(true);
  }
  SetValue(CM_ID_INOUT_DOOR, IODoorValue);
}

void TPropertyForm::FlickerClick() {
  if (Flicker.ItemIndex() == 0) FlickerValue = 0;
  if (Flicker.ItemIndex() == 1) FlickerValue = 1;
  SetValue(CM_ID_FLICKER, FlickerValue);
}

void TPropertyForm::EffectClick() {
  if (Effect.ItemIndex() > 0) Frame.SetItemIndex(0);
  EffectValue = Effect.ItemIndex();
  SetValue(CM_ID_EFFECT, EffectValue);
}

void TPropertyForm::FrameClick() {
  if (Frame.ItemIndex() > 0) Effect.SetItemIndex(0);
  EffectValue = FrameValueFor(Frame.ItemIndex());
  if (Effect.ItemIndex() == 0) SetValue(CM_ID_EFFECT, EffectValue);
}

// ---- Digital zoom ----

void TPropertyForm::EnabledZoomClick() {
  if (EnabledZoom.Checked()) {
    Effect.SetItemIndex(0);
    Effect.SetEnabled(false);
    if (ZoomOn != 0) return;
    ZoomOn = 1;
    SetValue(CM_ID_ZOOM_ENABLE, ZoomOn);
    LoadZoom();
    VerticalChange(true);
    HorizonChange(true);
    Vertical.SetValue(kPanCentre);
    Horizon.SetValue(kPanCentre);
    Zoom.SetValue(Zoom.Maximum());
    Zoom.SetEnabled(true);
    Vertical.Show();
    Horizon.Show();
  } else {
    Effect.SetEnabled(true);
    if (ZoomOn == 0) return;
    ZoomOn = 0;
    SetValue(CM_ID_ZOOM_ENABLE, ZoomOn);
    LoadZoom();
    Zoom.SetValue(Zoom.Maximum());
    Zoom.SetEnabled(false);
    VerticalChange(true);
    HorizonChange(true);
    Vertical.SetValue(kPanCentre);
    Horizon.SetValue(kPanCentre);
    Vertical.Hide();
    Horizon.Hide();
  }
}

void TPropertyForm::ZoomChange() {
  const int32_t value = Zoom.Value();
  if (!ZoomGuard) {
    if (EnabledZoom.Checked()) {
      *zoom_.ZoomFactor = ZoomFactorFor(value, ZoomMax);
      ShowZoomBanner();
    } else {
      *zoom_.ZoomFactor = 10;
    }
  }
  if (EnabledZoom.Checked() && ZoomMax - value != ZoomLevel) {
    ZoomLevel = ZoomMax - value;
    SetValue(CM_ID_ZOOM_LEVEL, ZoomLevel);
  }
}

void TPropertyForm::HorizonChange(bool reset) {
  PanChange(Horizon, &LastHorizon, CM_ID_PAN_X_MINUS, CM_ID_PAN_X_PLUS, reset);
}

void TPropertyForm::VerticalChange(bool reset) {
  PanChange(Vertical, &LastVertical, CM_ID_PAN_Y_MINUS, CM_ID_PAN_Y_PLUS, reset);
}

// The camera moves its zoom window one step per slider position: a jump of several
// positions sends several steps, each with the zoom level as data.
void TPropertyForm::PanChange(toolkit::Slider& slider, int32_t* last, unsigned long minus_id,
                              unsigned long plus_id, bool reset) {
  const int32_t position = slider.Value();
  if (reset) *last = kPanCentre;
  if (!Zoom.Enabled()) return;
  const PanSteps steps = PanStepsFor(position, *last);
  for (int32_t step = 0; step < steps.count; ++step) {
    SetValue(steps.minus ? minus_id : plus_id, ZoomLevel);
  }
  *last = slider.Value();
}

void TPropertyForm::ShowZoomBanner() {
  const std::string text = ZoomBannerText(*zoom_.ZoomFactor);
  ZoomShowTimer.SetEnabled(false);
  DrawBanner(text);

  // The root of the system drive is not writable for every user: the banner then goes to
  // the user's temporary folder, whose path the camera is given instead.
  banner_path_.clear();
  if (WriteBannerFile(kZoomBannerPath)) {
    banner_path_ = kZoomBannerPath;
  } else {
    const std::string temporary = TemporaryBannerPath();
    if (!temporary.empty() && WriteBannerFile(temporary)) banner_path_ = temporary;
  }
  if (!banner_path_.empty()) {
    char path[kBannerPathBufferSize] = {};
    std::memcpy(path, banner_path_.c_str(), banner_path_.size());
    CM_SetProperties(CamHandle, CM_ID_OVERLAY_FILE, path);
  }
  ZoomShowTimer.SetEnabled(true);
}

void TPropertyForm::DrawBanner(const std::string& text) {
  DrawBannerText(BannerText.get(), text, 4, 4, RGB(255, 255, 255), true);
  GdiFlush();
  const DibView text_view = ViewOf(BannerText.get());
  const DibView image_view = ViewOf(BannerImage.get());
  if (text_view.bits == nullptr || image_view.bits == nullptr) return;
  std::memcpy(image_view.bits, text_view.bits,
              static_cast<size_t>(text_view.stride) * kBannerHeight);
  // Drawn at every offset up to two pixels, the white text grows an outline.
  for (int dy = 0; dy <= 2; ++dy) {
    for (int dx = 0; dx <= 2; ++dx) DrawTransparent(BannerText.get(), BannerImage.get(), dx, dy);
  }
  DrawBannerText(BannerText.get(), text, 5, 5, RGB(127, 127, 255), false);
  DrawTransparent(BannerText.get(), BannerImage.get(), 0, 0);
}

bool TPropertyForm::WriteBannerFile(const std::string& path) const {
  GdiFlush();
  const DibView view = ViewOf(BannerImage.get());
  if (view.bits == nullptr) return false;
  const DWORD image_size = static_cast<DWORD>(view.stride) * kBannerHeight;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + image_size;
  info.biSize = sizeof info;
  info.biWidth = kBannerWidth;
  info.biHeight = kBannerHeight;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = image_size;
  // A failed create is INVALID_HANDLE_VALUE, which only the file owner counts as empty.
  UniqueFileHandle file_handle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_handle.valid()) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file_handle.get(), &file, sizeof file, &written, nullptr) &&
      written == sizeof file &&
      WriteFile(file_handle.get(), &info, sizeof info, &written, nullptr) &&
      written == sizeof info &&
      WriteFile(file_handle.get(), view.bits, image_size, &written, nullptr) &&
      written == image_size;
  return ok;
}

void TPropertyForm::ZoomShowTimerTimer() {
  if (Frame.ItemIndex() > 0) {
    SetValue(CM_ID_EFFECT, EffectValue);
  } else {
    SetCommand(CM_ID_EFFECT);
  }
  ZoomShowTimer.SetEnabled(false);
}

// ---- Camera settings commands ----

void TPropertyForm::SaveClick() {
  SettingSaved = true;
  SetCommand(CM_ID_SAVE);
}

void TPropertyForm::RestoreClick() {
  if (!SettingSaved) {
    MessageBoxA(nullptr, kSaveFirstText, kSaveFirstCaption, MB_OK);
    return;
  }
  SetCommand(CM_ID_RESTORE);
  LoadSettings();
}

void TPropertyForm::ResetClick() {
  SetCommand(CM_ID_DEFAULTS);
  LoadSettings();
}

// ---- The window ----

void TPropertyForm::ShowForm() {
  if (hwnd() == nullptr) return;
  ShowWindow(hwnd(), SW_SHOW);
  SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(hwnd());
}

void TPropertyForm::FormShow() {
  RECT window{};
  RECT desktop{};
  if (!GetWindowRect(hwnd(), &window) || !GetWindowRect(GetDesktopWindow(), &desktop)) return;
  const WindowPlace place = KeepPropertyWindowOnDesktop(
      window.left, window.top, window.right - window.left, window.bottom - window.top,
      desktop.left, desktop.top, desktop.right, desktop.bottom);
  if (place.left != window.left || place.top != window.top) {
    SetWindowPos(hwnd(), nullptr, place.left, place.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The desktop is the first monitor only; on another one the caption must stay in reach.
  KeepCaptionReachable(hwnd());
}

void TPropertyForm::FormDestroy() {
  BannerText.reset();
  BannerImage.reset();
}

LRESULT TPropertyForm::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SHOWWINDOW:
      if (wparam) FormShow();
      break;
    case WM_DESTROY:
      FormDestroy();
      break;
    default:
      break;
  }
  return DefaultProc(message, wparam, lparam);
}

}  // namespace kvo
