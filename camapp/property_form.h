// TPropertyForm: the property window ("Property"). Every control maps to one property of the
// camera: the image sliders, mirror and flip, scene and flicker, automatic modes, white
// balance, USB bandwidth, effects and frames, and the digital zoom with panning; three buttons
// save, restore or reset the camera's settings. Created once at program start, hidden, after
// the main window; it opens its own camera handle and keeps it for its whole life.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "buttons.h"
#include "containers.h"
#include "control_design.h"
#include "digital_zoom.h"
#include "form.h"
#include "kvocmdll.h"
#include "radio_group.h"
#include "slider.h"
#include "text_controls.h"
#include "timer.h"
#include "unique_resource.h"

namespace kvo {

constexpr char kPropertyFormClass[] = "TPropertyForm";
constexpr char kPropertyFormCaption[] = "Property";
constexpr int kPropertyClientWidth = 264;
constexpr int kPropertyClientHeight = 424;
constexpr int kBannerWidth = 640;
constexpr int kBannerHeight = 480;
constexpr char kZoomBannerPath[] = "C:\\zoomtmp.bmp";
// Id 34 takes a path of up to 259 characters and its end.
constexpr size_t kBannerPathBufferSize = 260;
constexpr char kMagnifierItem[] = "Magnifier";
// The pan sliders' range and the centre they start and reset at.
constexpr int32_t kPanCentre = 64;
constexpr int32_t kPanRange = 128;

// Values shared by the whole program, set at start.
extern bool SettingSaved;
extern int32_t LastExposure;
extern int32_t LastHorizon;
extern int32_t LastVertical;

struct PropertyFormControls;

// The window reports its Zoom slider to the digital zoom's owner and lends it its zoom
// controls for the main window's zoom steps.
class TPropertyForm : public toolkit::Form, private ZoomControls {
 public:
  TPropertyForm(HINSTANCE instance, DigitalZoom& zoom, const toolkit::SkinData* skin = nullptr);
  ~TPropertyForm();

  // Creates the hidden window, its controls and banners, opens the camera and loads every
  // value from it. False when the platform refuses the window or a control.
  bool Create();
  // Where the last banner went ("C:\zoomtmp.bmp", or the temporary folder when the drive's
  // root cannot be written); empty before the first banner or when none could be written.
  const std::string& BannerPath() const { return banner_path_; }

  // Operations other windows use.
  void LoadSettings();
  void ReopenCamera();
  void ShowZoomBanner() override;
  // The settings window switches the digital zoom off before the stream format changes, and
  // fits the zoom, the effects and the magnifier frame to the new format: a large one leaves
  // no room for them.
  void SwitchZoomOff();
  void FitToStreamFormat(bool large_format);

  // Handlers, named after control and event.
  void TrackbarsChange(toolkit::Slider& slider);
  void ExposureChange();
  void USBbwChange();
  void CheckBoxsClick();
  void USBbwAutoClick();
  void ExposureAutoClick();
  void WBAutoClick();
  void IODoorClick();
  void FlickerClick();
  void EffectClick();
  void FrameClick();
  void EnabledZoomClick();
  void ZoomChange();
  void HorizonChange(bool reset = false);
  void VerticalChange(bool reset = false);
  void ZoomShowTimerTimer();
  void SaveClick();
  void RestoreClick();
  void ResetClick();
  void FormShow();
  void FormDestroy();

  // Public state, as the main window and the settings window reach it.
  CM_Handle* CamHandle = nullptr;
  int32_t EffectValue = 0;
  int32_t ZoomOn = 0;
  int32_t ZoomMax = 0;
  int32_t ZoomLevel = 0;
  int32_t AutoExposureValue = 0;  // id 11 last sent

  // Read-back values of LoadSettings.
  int32_t BandwidthValue = 0;      // id 10
  int32_t BandwidthAutoValue = 0;  // id 9
  int32_t FlickerValue = 0;        // id 18
  int32_t WBAutoValue = 0;         // id 13
  int32_t IODoorValue = 0;         // id 17
  int32_t BacklightValue = 0;      // id 20
  int32_t BWModeValue = 0;         // id 30
  int32_t LowLightValue = 0;       // id 24
  int32_t MirrorValue = 0;         // id 0
  int32_t FlipValue = 0;           // id 1

 private:
  // The tests drive the controls as a user would.
  friend struct PropertyFormControls;

  struct SliderRow {
    toolkit::Slider* slider;
    int32_t value;
    unsigned long id;
    int32_t maximum;
    int32_t minimum;
  };
  struct CheckRow {
    toolkit::CheckBox* box;
    int32_t value;
    unsigned long id;
  };
  static constexpr int kSliderRows = 9;
  static constexpr int kCheckRows = 5;
  SliderRow Sliders[kSliderRows] = {
      {&Brightness, 0, CM_ID_BRIGHTNESS, 126, 0},
      {&Contrast, 0, CM_ID_CONTRAST, 20000, 10000},
      {&Gamma, 0, CM_ID_GAMMA, 10000, 0},
      {&Hue, 0, CM_ID_HUE, 3600000, 0},
      {&Saturation, 0, CM_ID_SATURATION, 29900, 0},
      {&Sharpness, 0, CM_ID_SHARPNESS, 79900, 0},
      {&Exposure, 0, CM_ID_EXPOSURE, 2000000, 400000},
      {&RGain, 0, CM_ID_RED_GAIN, 19900, 5000},
      {&BGain, 0, CM_ID_BLUE_GAIN, 19900, 5000},
  };
  CheckRow Checks[kCheckRows] = {{&ImageMirror, 0, CM_ID_MIRROR},
                                 {&ImageFlip, 0, CM_ID_FLIP},
                                 {&LowLight, 0, CM_ID_LOW_LIGHT},
                                 {&Backlight, 0, CM_ID_BACKLIGHT},
                                 {&BWMode, 0, CM_ID_BW_MODE}};

  toolkit::PageControl Pages;
  toolkit::GroupBox ImageControl;
  toolkit::Label BrightnessLabel, ContrastLabel, GammaLabel, HueLabel, SaturationLabel,
      SharpnessLabel;
  toolkit::Slider Brightness, Contrast, Gamma, Hue, Saturation, Sharpness;
  toolkit::CheckBox ImageMirror, ImageFlip, LowLight;
  toolkit::RadioGroup IODoor, Flicker;
  toolkit::GroupBox ExtraControl;
  toolkit::CheckBox Backlight, BWMode;
  toolkit::PictureButton Save, Restore, Reset;
  toolkit::RadioGroup Effect, Frame;
  toolkit::GroupBox AutoModeControl, ZoomGroup, WhiteBalance;
  toolkit::Label USBBandWidthLabel, ExposureLabel, AutoLabel, RedLabel, BlueLabel;
  toolkit::Slider USBbw, Exposure, RGain, BGain;
  toolkit::CheckBox USBbwAuto, ExposureAuto, WBAuto, EnabledZoom;
  toolkit::Slider Zoom, Horizon, Vertical;
  toolkit::Timer ZoomShowTimer;

  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  // The zoom controls a zoom step moves (ZoomControls).
  bool ZoomBoxEnabled() const override { return EnabledZoom.Enabled(); }
  bool ZoomBoxChecked() const override { return EnabledZoom.Checked(); }
  void SetZoomBoxChecked(bool checked) override { EnabledZoom.SetChecked(checked); }
  int32_t ZoomSliderMaximum() const override { return Zoom.Maximum(); }
  void SetZoomSliderValue(int32_t value) override { Zoom.SetValue(value); }
  void PauseBetweenSteps() override { Sleep(kZoomStepPauseMs); }
  // Controls from their rows of the layout (property_controls.cpp).
  using SliderHandler = void (TPropertyForm::*)(toolkit::Slider&);
  using ClickHandler = void (TPropertyForm::*)();
  bool CreateControls();
  bool CreateImagePage(HWND page);
  bool CreateEffectPage(HWND page);
  bool CreateMiscPage(HWND page);
  bool CreateZoomControls(HWND group);
  // A group box or label (neither is a tab stop).
  template <typename Control>
  bool CreateUnfocused(Control& control, const toolkit::ControlDesign& design, HWND parent);
  bool CreateSlider(toolkit::Slider& control, const toolkit::ControlDesign& design, HWND parent,
                    int tag, SliderHandler handler, int minimum = 0, int maximum = 100);
  bool CreateCheck(toolkit::CheckBox& box, const toolkit::ControlDesign& design, HWND parent,
                   ClickHandler handler);
  bool CreateRadio(toolkit::RadioGroup& group, const toolkit::ControlDesign& design,
                   HWND parent, const char* const* items, size_t count, ClickHandler handler);
  bool CreatePicture(toolkit::PictureButton& button, const toolkit::ControlDesign& design,
                     HWND parent, HBITMAP bitmap, ClickHandler handler);
  // The zoom banner (property_banner.cpp).
  bool CreateBanners();
  void LoadZoom();
  void LoadEffectSelection();
  void PanChange(toolkit::Slider& slider, int32_t* last, unsigned long minus_id,
                 unsigned long plus_id, bool reset);
  void SetValue(unsigned long id, int32_t value);
  void SetCommand(unsigned long id);
  void DrawBanner(const std::string& text);
  bool WriteBannerFile(const std::string& path) const;

  HINSTANCE instance_;
  DigitalZoom& zoom_;
  const toolkit::SkinData* skin_;
  UniqueHBitmap BannerText;
  UniqueHBitmap BannerImage;
  UniqueHBitmap save_picture_, restore_picture_, reset_picture_;
  std::string banner_path_;
};

}  // namespace kvo
