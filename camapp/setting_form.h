// TSettingForm: the settings window ("Setting"). The compressor and audio device of the
// recordings, the folder of stills and recordings, the file counters, the camera's stream
// format and two options the main window reads. Created once at program start, after the
// main window; closing it only hides it.
#pragma once

#include <windows.h>

#include <string>

#include "buttons.h"
#include "control_design.h"
#include "form.h"
#include "settings_link.h"
#include "text_controls.h"
#include "unique_resource.h"

namespace kvo {

class SettingFormHost;
class TPropertyForm;

constexpr char kSettingFormClass[] = "TSettingForm";
constexpr char kSettingFormCaption[] = "Setting";
constexpr int kSettingClientWidth = 355;
constexpr int kSettingClientHeight = 190;
constexpr int kSettingDesignLeft = 511;
constexpr int kSettingDesignTop = 403;

class TSettingForm : public toolkit::Form, public SettingsLink {
 public:
  // skin: the application's skin, shared by all its windows (null: the plain look).
  TSettingForm(HINSTANCE instance, SettingFormHost& host,
               const toolkit::SkinData* skin = nullptr);
  ~TSettingForm();

  // Creates the hidden window and its controls, fills the lists and reads the settings key.
  // False when the platform refuses the window.
  bool Create();

  // What the main window reads and sets (SettingsLink).
  std::string PathText() const override { return PathEdit.Text(); }
  bool ShowImageChecked() const override { return ShowImgCB.Checked(); }
  bool CaptureAudioChecked() const override { return Chk_CapAudio.Checked(); }
  void EnableCaptureAudio(bool enabled) override { Chk_CapAudio.SetEnabled(enabled); }
  void ShowOnTop() override { ShowForm(); }

  // The property window, whose digital zoom, effects and magnifier frame follow the stream
  // format; null while there is none.
  TPropertyForm* PropertyForm = nullptr;

  // Handlers, named after control and event.
  void FormShow();
  void ComboBoxChange();
  void AudioListChange();
  void Chk_CapAudioClick();
  void ChangePathClick();
  void FileExploreClick();
  void ResetCountClick();
  void PinSetBtnClick();

  // Controls, in tab order.
  toolkit::DropDownList ComboBox1;
  toolkit::DropDownList AudioList;
  toolkit::ReadOnlyEdit PathEdit;
  toolkit::PushButton ChangePath;
  toolkit::PictureButton FileExplore;
  toolkit::PictureButton PinSetBtn;
  toolkit::PictureButton ResetCount;
  toolkit::CheckBox ShowImgCB;
  toolkit::CheckBox Chk_CapAudio;
  toolkit::Label CompressorLabel;
  toolkit::Label AudioLabel;
  toolkit::Label PathLabel;

 private:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool CreateControls();
  void FillLists();
  void ReadSettings();
  // A handler of a control or message that runs `handler`; an error raised inside it ends it
  // and is shown in the error box.
  auto Guarded(void (TSettingForm::*handler)());
  void WaitWhileFormatDialogOpen();
  void ApplyStreamFormatSize();
  void ApplyFormatToPropertyForm();

  HINSTANCE instance_;
  SettingFormHost& host_;
  const toolkit::SkinData* skin_;
  UniqueHBitmap browse_picture_;
  UniqueHBitmap format_picture_;
  UniqueHBitmap counters_picture_;
};

}  // namespace kvo
