#include "property_form.h"

#include "property_rules.h"
#include "window_placement.h"

namespace kvo {

bool SettingSaved = false;
int32_t LastExposure = 400000;
int32_t LastHorizon = 64;
int32_t LastVertical = 64;

TPropertyForm::TPropertyForm(HINSTANCE instance, DigitalZoom& zoom, const toolkit::SkinData* skin)
    : instance_(instance), zoom_(zoom), skin_(skin) {}

TPropertyForm::~TPropertyForm() {
  zoom_.BindControls(nullptr);
  ZoomShowTimer.SetEnabled(false);
  DestroyForm();
  // The program ends: the camera handle goes with the window.
  if (CamHandle != nullptr) CM_Close(CamHandle);
  CamHandle = nullptr;
}

bool TPropertyForm::Create() {
  toolkit::EnsureCommonControls();
  const auto form = toolkit::Form::CreateArgs::FixedDialog(
      instance_, kPropertyFormClass, kPropertyFormCaption, kPropertyClientWidth,
      kPropertyClientHeight, skin_);
  if (!CreateForm(form)) return false;
  if (!CreateBanners() || !CreateControls()) return false;

  CM_Open(&CamHandle);
  LoadSettings();
  zoom_.BindControls(this);
  return true;
}

// ---- Camera calls (their results are not examined) ----

void TPropertyForm::SetValue(unsigned long id, int32_t value) {
  CM_SetProperties(CamHandle, id, &value);
}

void TPropertyForm::SetCommand(unsigned long id) { CM_SetProperties(CamHandle, id, nullptr); }

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

  if (zoom_.TakeFactorFromSlider(EnabledZoom.Checked(), Zoom.Value(), ZoomMax)) {
    ShowZoomBanner();
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
  zoom_.SetZoomMax(ZoomMax);
  Zoom.SetMinimum(0);
  Zoom.SetMaximum(ZoomMax);
  Zoom.SetLineSize(ZoomLevel);
  Zoom.SetValue(ZoomSliderValueForLevel(ZoomMax, ZoomLevel));
  EnabledZoom.SetChecked(ZoomOn == 1);
}

void TPropertyForm::ReopenCamera() {
  if (CamHandle != nullptr) CM_Close(CamHandle);
  CamHandle = nullptr;
  CM_Open(&CamHandle);
  LoadSettings();
}

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
  AutoExposureValue = ExposureAuto.Checked() ? 1 : 0;
  if (AutoExposureValue == 0) Exposure.SetEnabled(true);
  SetValue(CM_ID_EXPOSURE_AUTO, AutoExposureValue);
}

void TPropertyForm::WBAutoClick() {
  const bool automatic = WBAuto.Checked();
  WBAutoValue = automatic ? 1 : 0;
  RGain.SetEnabled(!automatic);
  BGain.SetEnabled(!automatic);
  SetValue(CM_ID_WB_AUTO, WBAutoValue);
}

void TPropertyForm::IODoorClick() {
  const int item = IODoor.ItemIndex();
  if (item == 0 || item == 1) {
    IODoorValue = item;
    Flicker.SetEnabled(item == 1);
  }
  SetValue(CM_ID_INOUT_DOOR, IODoorValue);
}

void TPropertyForm::FlickerClick() {
  const int item = Flicker.ItemIndex();
  if (item == 0 || item == 1) FlickerValue = item;
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
  if (zoom_.FollowSlider(EnabledZoom.Checked(), value, ZoomMax)) ShowZoomBanner();
  if (EnabledZoom.Checked() && ZoomMax - value != ZoomLevel) {
    ZoomLevel = ZoomMax - value;
    SetValue(CM_ID_ZOOM_LEVEL, ZoomLevel);
  }
}

void TPropertyForm::SwitchZoomOff() { EnabledZoom.SetChecked(false); }

void TPropertyForm::FitToStreamFormat(bool large_format) {
  const int magnifier = Frame.IndexOf(kMagnifierItem);
  if (large_format) {
    EnabledZoom.SetEnabled(false);
    Effect.SetEnabled(false);
    Effect.SetItemIndex(0);
    if (Frame.ItemIndex() == magnifier) Frame.SetItemIndex(0);
    if (magnifier >= 0) Frame.DeleteItem(magnifier);
  } else {
    EnabledZoom.SetEnabled(true);
    Effect.SetEnabled(true);
    if (magnifier < 0) Frame.AddItem(kMagnifierItem);
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

void TPropertyForm::ZoomShowTimerTimer() {
  if (Frame.ItemIndex() > 0) {
    SetValue(CM_ID_EFFECT, EffectValue);
  } else {
    SetCommand(CM_ID_EFFECT);
  }
  ZoomShowTimer.SetEnabled(false);
}

void TPropertyForm::SaveClick() {
  SettingSaved = true;
  SetCommand(CM_ID_SAVE);
}

void TPropertyForm::RestoreClick() {
  if (!SettingSaved) {
    MessageBoxA(nullptr, "Please save setting first.", "Error", MB_OK);
    return;
  }
  SetCommand(CM_ID_RESTORE);
  LoadSettings();
}

void TPropertyForm::ResetClick() {
  SetCommand(CM_ID_DEFAULTS);
  LoadSettings();
}

void TPropertyForm::FormShow() {
  KeepOnDesktop(hwnd(), [](const ScreenBox& window, const ScreenBox& desktop) {
    const WindowPlace place = KeepPropertyWindowOnDesktop(
        window.left, window.top, window.width(), window.height(), desktop.left, desktop.top,
        desktop.right, desktop.bottom);
    return ScreenBox{place.left, place.top, place.left + window.width(),
                     place.top + window.height()};
  });
}

void TPropertyForm::FormDestroy() {
  BannerText.reset();
  BannerImage.reset();
}

LRESULT TPropertyForm::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SHOWWINDOW && wparam) FormShow();
  if (message == WM_DESTROY) FormDestroy();
  return DefaultProc(message, wparam, lparam);
}

}  // namespace kvo
