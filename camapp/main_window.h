// TKVO_CM_MAIN: the camera application's main window. It holds the camera handle and the
// capture panel DirectShow1, receives every relayed command and every USB device change,
// keeps its geometry and the capture format in the settings key, takes stills and records.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "capture_files.h"
#include "kvocmdll.h"
#include "main_window_logic.h"
#include "setting_form_host.h"
#include "settings_link.h"
#include "snap_view.h"
#include "tdirectshow.h"
#include "toolkit.h"
#include "unique_resource.h"

namespace kvo {

constexpr char kMainWindowClass[] = "TKVO_CM_MAIN";
constexpr UINT kParameterTimerInterval = 50;
constexpr UINT kRecTimerInterval = 1000;
constexpr UINT kSnapTimerInterval = 1200;
// The designed window: the capture panel and the three buttons at its bottom right. When
// the window is resized the buttons keep their row and follow the panel's right edge: the
// last one starts kCloseImgFromPanelRight pixels before it, each kButtonStep pixels after
// the one before.
struct MainWindowLayout {
  toolkit::ControlDesign panel, preview_btn, move_btn, close_img;
};
constexpr MainWindowLayout kMainWindowLayout{
    {{1, 0, 552, 473}, "", ""},                    // panel (DirectShow1)
    {{559, 442, 20, 20}, "", "Preview Switch"},    // preview_btn
    {{585, 442, 20, 20}, "", "Move the window"},   // move_btn
    {{611, 442, 20, 20}, "", "Close the window"},  // close_img
};
constexpr int kButtonStep = 25;
constexpr int kCloseImgFromPanelRight = 20;
constexpr char kCameraOffText[] = "Please press Fn+F10 turn on the Camera";
constexpr char kCameraOffCaption[] = "Error window";

class TPropertyForm;
class DigitalZoom;

class TKVO_CM_MAIN : public toolkit::Form, public SettingFormHost {
 public:
  // command_word is argument 1 of this instance's command line; the window starts hidden
  // unless it is empty.
  TKVO_CM_MAIN(HINSTANCE instance, std::string command_word);
  virtual ~TKVO_CM_MAIN();

  // Creates the window and its controls and runs the construction; false when the platform
  // refuses the window itself.
  bool Create();
  // The skin the viewer draws with too.
  const toolkit::SkinData& Skin() const { return SkinData1; }

  // What the settings window reaches (SettingFormHost).
  TDirectShow& DirectShow1() override { return *direct_show_; }
  HWND MainWindowHandle() const override { return hwnd(); }
  void ShowMainWindow() override;
  void PreviewBtnClick() override;
  void DisableRecTimer() override { RecTimer.SetEnabled(false); }
  void UpdateRecordingStatus() override;

  // Public state, as the other windows reach it.
  CM_Handle* CamHandle = nullptr;
  // The windows created after this one, null until they exist, and the digital zoom.
  TPropertyForm* PropertyForm = nullptr;
  SettingsLink* Settings = nullptr;
  TSnapView* SnapView = nullptr;
  DigitalZoom* Zoom = nullptr;
  std::string VendorIdText;
  std::string ProductIdText;
  bool ExitRequested = false;
  bool StartupCommandDone = false;
  bool CameraOn = false;
  bool CommandBusy = false;
  bool MailPending = false;
  RecordingClock Clock;
  std::wstring SnapshotPath;
  std::wstring RecordPath;
  VIDEOINFOHEADER SavedCaptureFormat{};

  // Operations the start-up command and the other windows use.
  void OpenPreview();
  void RefreshPreviewButton();
  void CloseImgClick();
  void ReleaseCamera();
  void ResumeCamera();
  void RequestStill();
  void SaveSnapshot();
  void MailSnapshot(const std::wstring& path);
  void RecBtnClick();
  bool Locked() const;

 private:
  // A command relayed by a later instance, or this instance's own command word at start-up.
  enum class CommandSource { kRelayed, kStartup };

  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  void RunLockedCommand(UINT message);
  void RunCommand(UINT message, CommandSource source);
  bool HandleDeviceChange(WPARAM event, LPARAM record, LRESULT* result);

  // Construction and destruction.
  void BuildSystemMenu();
  void CreateControls();
  void Construct();
  bool RegisterCameraNotification();
  void ReadIdTexts();
  void LoadStoredGeometry();
  void FormDestroy();
  void SaveWindowState();
  void EndSession();

  // Start-up timer and program end.
  void ParameterTimerTimer();
  void RunStartupCommand();
  void WriteAppStatusReady();
  void RequestExit();
  bool FormatDialogShowing() const;
  void CloseFormatDialog();

  // Commands.
  void SnapshotCommand(CommandSource source);
  void RecordCommand(CommandSource source);
  void ShowCommand();
  void MailCommand(CommandSource source);
  void StartPreviewShown();
  bool OpenPreviewForSnapshot();
  void OpenPreviewAndRecord();
  void QueueMailStill(bool preview_runs);
  void ShowSettingForm();

  // Window behaviour.
  void FormShow();
  bool FormCloseQuery();
  void FormResize();
  void FormPaint();
  void SetEyeGlyph(bool open);
  void SysPopupMenuPopup(toolkit::PopupMenu& menu);
  void RestoreWinClick();
  void Preview_OptClick();
  // Where the pointer is, in pixels from the window's top-left corner.
  void MouseDown(POINT point);
  void MouseMove(POINT point);
  void MouseUp();
  POINT WindowPointOfClient(LPARAM lparam) const;
  void SetWindowSize(int width, int height);
  void ShowCameraOffBox();

  // Stills and recordings.
  void RecTimerTimer();
  void SnapTimerTimer();
  void StartRecording();
  void StopRecording();
  std::string FolderForFiles() const;
  uint32_t NextCounterValue(const char* counter_name) const;
  uint32_t TakeFreeNumber(const char* counter_name, uint32_t number, const std::string& folder,
                          const char* prefix, const char* extension) const;
  bool RecordingRuns() const;
  bool RecordingFileVanished();
  std::string RecordingFailureText() const;

  // A zoom step, when the property window's zoom controls allow one.
  void ZoomStep(bool zoom_in);
  // The property window's part of the camera handle and the show command; each does
  // nothing while there is no property window.
  void ClosePropertyCameraHandle();
  void ShowPropertyForm();

  HINSTANCE instance_;
  std::string command_word_;
  ComApartment apartment_;
  std::unique_ptr<TDirectShow> direct_show_;
  HDEVNOTIFY DeviceNotify = nullptr;
  bool Dragging = false;
  bool Sizing = false;
  POINT DragOrigin{};
  uint32_t recording_ticks_ = 0;
  // Why the running recording failed, when the panel does not know (its file vanished).
  std::string recording_failure_;

  toolkit::SkinData SkinData1;
  toolkit::PopupMenu SysPopupMenu;
  int preview_opt_item_ = -1;
  int restore_win_item_ = -1;
  toolkit::PushButton PreviewBtn;
  toolkit::PushButton MoveBtn;
  toolkit::PushButton CloseImg;
  UniqueHBitmap ImageEyeOpen;
  UniqueHBitmap ImageEyeClose;
  toolkit::Timer ParameterTimer;
  toolkit::Timer RecTimer;
  toolkit::Timer SnapTimer;
};

}  // namespace kvo
