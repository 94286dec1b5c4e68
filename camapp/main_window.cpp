// The main window: construction, window procedure, camera connection, preview switch,
// geometry and the mouse. Stills and recordings are in snapshot_control.cpp.
#include "main_window.h"

#include <dbt.h>

#include <cstring>
#include <exception>
#include <utility>

#include "error_box.h"
#include "capture_format.h"
#include "command_words.h"
#include "app_resources.h"
#include "eye_glyphs.h"
#include "property_form.h"
#include "property_rules.h"
#include "settings_key.h"
#include "wide_text.h"
#include "window_placement.h"

namespace kvo {

namespace {

constexpr int kDesignedLeft = 434;
constexpr int kDesignedTop = 251;
constexpr int kDesignedClientWidth = 646;
constexpr int kDesignedClientHeight = 523;
// The platform's frame is only seen when there is no skin; the skin makes it borderless.
constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                   WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kButtonTop = 442;
constexpr int kButtonSize = 20;
constexpr int kButtonStep = 25;
constexpr int kCloseImgFromPanelRight = 20;
constexpr LONG kLargestTrackedSide = 8192;

constexpr char kRegistrationFailedFormat[] = "RegisterDeviceNotification failed: %d\n";

// {A5DCBF10-6530-11D2-901F-00C04FB951ED}: the USB device interface class.
constexpr GUID kUsbDeviceInterfaceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
// The interface name of a device-interface record starts at byte 28, in UTF-16.
constexpr std::size_t kInterfaceNameOffset = 28;

// The interface name of a device-change record of device type 5, read within the size the
// record gives; false for other records.
bool DeviceInterfaceName(LPARAM lparam, std::string* name) {
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lparam);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
  name->clear();
  if (header->dbch_size <= kInterfaceNameOffset) return true;
  const std::size_t capacity = (header->dbch_size - kInterfaceNameOffset) / sizeof(wchar_t);
  const auto* text = reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(header) +
                                                       kInterfaceNameOffset);
  std::wstring wide;
  for (std::size_t i = 0; i < capacity && text[i] != L'\0'; ++i) wide.push_back(text[i]);
  *name = WideToAnsi(wide.c_str());
  return true;
}

}  // namespace

TKVO_CM_MAIN::TKVO_CM_MAIN(HINSTANCE instance, std::string command_word)
    : instance_(instance), command_word_(std::move(command_word)) {}

TKVO_CM_MAIN::~TKVO_CM_MAIN() { DestroyForm(); }

bool TKVO_CM_MAIN::Create() {
  SkinData1.LoadFromFile(toolkit::kSkinFilePath);  // missing or unusable: the plain look
  BuildSystemMenu();
  toolkit::Form::CreateArgs form;
  form.instance = instance_;
  form.class_name = kMainWindowClass;
  form.caption = kApplicationTitle;
  form.style = kMainWindowStyle;
  form.ex_style = WS_EX_APPWINDOW;
  form.client_width = kDesignedClientWidth;
  form.client_height = kDesignedClientHeight;
  form.left = kDesignedLeft;
  form.top = kDesignedTop;
  form.icon = MAKEINTRESOURCEA(IDI_KVO_MAIN);
  form.skin = &SkinData1;
  form.system_menu = &SysPopupMenu;
  if (!CreateForm(form)) return false;
  CreateControls();
  Construct();
  return true;
}

void TKVO_CM_MAIN::BuildSystemMenu() {
  SysPopupMenu.AddSeparator();
  preview_opt_item_ = SysPopupMenu.Add({"&Preview", [this] { Preview_OptClick(); }});
  restore_win_item_ = SysPopupMenu.Add({"Restore &Window Size", [this] { RestoreWinClick(); }});
  SysPopupMenu.AddSeparator();
  SysPopupMenu.on_popup = [this](toolkit::PopupMenu& menu) { SysPopupMenuPopup(menu); };
}

void TKVO_CM_MAIN::CreateControls() {
  direct_show_ = std::make_unique<TDirectShow>(hwnd());
  if (direct_show_->Handle() != nullptr) {
    SetWindowPos(direct_show_->Handle(), nullptr, 1, 0, 552, 473, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  ImageEyeOpen = MakeOpenEyeGlyph();
  ImageEyeClose = MakeClosedEyeGlyph();

  toolkit::PushButton::CreateArgs preview;
  preview.parent = hwnd();
  preview.bounds = {559, kButtonTop, kButtonSize, kButtonSize};
  preview.hint = "Preview Switch";
  preview.visible = false;
  preview.skin = &SkinData1;
  preview.glyph = ImageEyeClose.get();
  preview.glyph_placement = toolkit::GlyphPlacement::kBelow;
  preview.on_click = [this](toolkit::PushButton&) { PreviewBtnClick(); };
  PreviewBtn.Create(preview);

  toolkit::PushButton::CreateArgs move;
  move.parent = hwnd();
  move.bounds = {585, kButtonTop, kButtonSize, kButtonSize};
  move.hint = "Move the window";
  move.visible = false;
  move.skin = &SkinData1;
  MoveBtn.Create(move);

  toolkit::PushButton::CreateArgs close;
  close.parent = hwnd();
  close.bounds = {611, kButtonTop, kButtonSize, kButtonSize};
  close.hint = "Close the window";
  close.visible = false;
  close.skin = &SkinData1;
  close.on_click = [this](toolkit::PushButton&) { CloseImgClick(); };
  CloseImg.Create(close);

  ParameterTimer.Create({kParameterTimerInterval, false,
                         [this](toolkit::Timer&) { ParameterTimerTimer(); }});
  RecTimer.Create({kRecTimerInterval, false, [this](toolkit::Timer&) { RecTimerTimer(); }});
  SnapTimer.Create({kSnapTimerInterval, false, [this](toolkit::Timer&) { SnapTimerTimer(); }});
}

void TKVO_CM_MAIN::Construct() {
  ExitRequested = false;
  DirectShow1().HideRleCodec = false;
  DirectShow1().HideVideo1Codec = true;

  if (!RegisterCameraNotification()) {
    MessageBoxA(hwnd(), "Registering Device Failed!", "Error", MB_OK);
    ParameterTimer.SetEnabled(true);
    ExitRequested = true;
    return;
  }
  if (!apartment_.ok()) {
    MessageBoxA(hwnd(), "CoInitialize Failed!", "Error", MB_OK);
    ParameterTimer.SetEnabled(true);
    ExitRequested = true;
    return;
  }
  if (!CM_Open(&CamHandle)) {
    if (command_word_ != "NoShow") MessageBoxA(hwnd(), kCameraOffText, kCameraOffCaption, MB_OK);
    ParameterTimer.SetEnabled(true);
    return;
  }
  CameraOn = true;
  ReadIdTexts();
  DirectShow1().DeviceIndex = 0;
  LoadStoredGeometry();
  if (command_word_ != "Property" && command_word_ != "Setting") OpenPreview();
  ParameterTimer.SetEnabled(true);
}

bool TKVO_CM_MAIN::RegisterCameraNotification() {
  // The wide registration, so that every record carries the UTF-16 name read at byte 28.
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_reserved = 0;
  filter.dbcc_classguid = kUsbDeviceInterfaceClass;
  DeviceNotify = RegisterDeviceNotificationW(hwnd(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (DeviceNotify != nullptr) return true;
  char text[64] = {};
  wsprintfA(text, kRegistrationFailedFormat, static_cast<int>(GetLastError()));
  MessageBoxA(nullptr, text, "Registration", MB_OK);
  return false;
}

void TKVO_CM_MAIN::ReadIdTexts() {
  char name[CM_NAME_BUFFER_SIZE] = {};
  if (CM_GetProperties(CamHandle, CM_ID_DEVICE_NAME, name) != 0) return;
  name[sizeof name - 1] = '\0';
  if (auto ids = ParseProductString(name)) {
    VendorIdText = ids->vendor;
    ProductIdText = ids->product;
  }
}

void TKVO_CM_MAIN::LoadStoredGeometry() {
  SettingsKey key;
  if (!key.is_open()) return;
  DWORD top = 0;
  DWORD left = 0;
  const bool has_top = key.ReadDword("FormTop", &top);
  const bool has_left = key.ReadDword("FormLeft", &left);
  // A stored value that does not fit the 88-byte record (or cannot be read) leaves the
  // record holding no format, so the camera keeps its own.
  CaptureFormatRecord stored_format = NoFormatRecord();
  key.ReadFormat("Pin_Data", &stored_format);
  VIDEOINFOHEADER record{};
  static_assert(sizeof record == sizeof stored_format, "the stored record is a VIDEOINFOHEADER");
  std::memcpy(&record, &stored_format, sizeof record);
  DirectShow1().CapturePinSet(&record);
  RECT bounds{};
  GetWindowRect(hwnd(), &bounds);
  const int new_left = has_left ? static_cast<int>(static_cast<LONG>(left)) : bounds.left;
  const int new_top = has_top ? static_cast<int>(static_cast<LONG>(top)) : bounds.top;
  SetWindowPos(hwnd(), nullptr, new_left, new_top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  const FormatGeometry geometry = GeometryForFormat(DirectShow1().CaptureFormat.bmiHeader.biWidth,
                                                    DirectShow1().CaptureFormat.bmiHeader.biHeight);
  HWND panel = DirectShow1().Handle();
  switch (geometry.band) {
    case FormatGeometry::Band::kOutOfRange:
      record = DirectShow1().CaptureFormat;
      record.bmiHeader.biWidth = geometry.format_width;
      record.bmiHeader.biHeight = geometry.format_height;
      if (panel != nullptr) {
        SetWindowPos(panel, nullptr, 0, 0, geometry.panel_width, geometry.panel_height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      DirectShow1().CapturePinSet(&record);
      break;
    case FormatGeometry::Band::kSmall:
      SetWindowSize(geometry.window_width, geometry.window_height);
      if (panel != nullptr) {
        SetWindowPos(panel, nullptr, 0, 0, geometry.panel_width, geometry.panel_height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    case FormatGeometry::Band::kAdopted:
      SetWindowSize(geometry.window_width, geometry.window_height);
      break;
  }
  // A place stored on a monitor that is gone, or on a larger screen.
  KeepCaptionReachable(hwnd());
}

void TKVO_CM_MAIN::FormDestroy() {
  if (DeviceNotify != nullptr) {
    UnregisterDeviceNotification(DeviceNotify);
    DeviceNotify = nullptr;
  }
  SaveWindowState();
  if (CamHandle != nullptr) CM_Close(CamHandle);
  CamHandle = nullptr;
  DirectShow1().Close();
}

void TKVO_CM_MAIN::SaveWindowState() {
  SettingsKey key;
  if (!key.is_open()) return;
  // The restored place: a window closed minimized would otherwise come back at the
  // platform's parking place, far off the screen.
  const RECT bounds = toolkit::RestoredWindowBounds(hwnd());
  key.WriteDword("FormTop", static_cast<DWORD>(bounds.top));
  key.WriteDword("FormLeft", static_cast<DWORD>(bounds.left));
  VIDEOINFOHEADER format{};
  DirectShow1().CapturePinGet(&format);
  CaptureFormatRecord record{};
  std::memcpy(&record, &format, sizeof record);
  key.WriteFormat("Pin_Data", record);
}

// The session ends once this returns, and the system may end the process at any moment
// after: the recording is finished and everything kept is written now, not at the next
// tick of ParameterTimer.
void TKVO_CM_MAIN::EndSession() {
  RecTimer.SetEnabled(false);
  if (DirectShow1().GetInRecord()) {
    DirectShow1().CapturePinSet(&SavedCaptureFormat);
    // Stopping the graph makes the multiplexer write the headers and the index; releasing
    // it closes the file.
    DirectShow1().Close();
  }
  SaveWindowState();
}

LRESULT TKVO_CM_MAIN::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CMD_PROPERTY:
      ShowPropertyForm();
      return 0;
    case WM_CMD_SETTING:
      if (Settings != nullptr) Settings->ShowOnTop();
      return 0;
    case WM_QUERYENDSESSION:
      RequestExit();
      break;  // the default handling answers yes, as the exit is requested
    case WM_ENDSESSION:
      if (wparam) EndSession();
      return 0;
    case WM_CMD_CLOSE:
      RequestExit();
      return 0;
    case WM_CMD_SNAPSHOT:
    case WM_CMD_RECORD:
    case WM_CMD_VIEW:
    case WM_CMD_SHOW:
    case WM_CMD_SENDMAIL:
      // Ignored while the stream-format dialog shows: the panel's graph is half built.
      if (!DirectShow1().FormatDialogOpen) RunLockedCommand(message);
      return 0;
    case WM_CMD_DISABLE:
      ReleaseCamera();
      return 1;
    case WM_CMD_ENABLE:
      ResumeCamera();
      return 1;
    case WM_DEVICECHANGE: {
      LRESULT result = 0;
      if (HandleDeviceChange(wparam, lparam, &result)) return result;
      break;
    }
    case WM_CMD_ZOOM_IN:
      ZoomStep(true);
      return 0;
    case WM_CMD_ZOOM_OUT:
      ZoomStep(false);
      return 0;
    case WM_CLOSE:
      if (FormCloseQuery()) DestroyWindow(hwnd());
      return 0;
    case WM_SIZE:
      FormResize();
      break;
    case WM_GETMINMAXINFO: {
      // A stored format of up to 1280 x 1024 gives a window larger than a small screen;
      // the window takes the size it is given rather than the screen's.
      DefaultProc(message, wparam, lparam);
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      limits->ptMaxTrackSize.x = kLargestTrackedSide;
      limits->ptMaxTrackSize.y = kLargestTrackedSide;
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(hwnd(), &paint);
      EndPaint(hwnd(), &paint);
      FormPaint();
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const POINT point = WindowPointOfClient(lparam);
      MouseDown(point.x, point.y);
      return 0;
    }
    case WM_MOUSEMOVE: {
      const POINT point = WindowPointOfClient(lparam);
      MouseMove(point.x, point.y);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      MouseUp();
      return 0;
    case WM_CAPTURECHANGED:
      Dragging = Sizing = false;
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == hwnd() && LOWORD(lparam) == HTCLIENT) {
        POINT cursor{};
        GetCursorPos(&cursor);
        ScreenToClient(hwnd(), &cursor);
        const POINT point = WindowPointOfClient(MAKELPARAM(cursor.x, cursor.y));
        const SIZE size = WindowSize();
        const bool grip = InSizeGrip(point.x, point.y, size.cx, size.cy);
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(grip ? IDC_SIZENWSE : IDC_ARROW)));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      ParameterTimer.SetEnabled(false);
      RecTimer.SetEnabled(false);
      SnapTimer.SetEnabled(false);
      FormDestroy();
      if (ExitRequested) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefaultProc(message, wparam, lparam);
}

void TKVO_CM_MAIN::RunLockedCommand(UINT message) {
  // A command that arrives while another is being handled, or while an error box is open
  // (message boxes run their own loops), is dropped. A failed command's error box is shown
  // before the lock is let go: the box belongs to that command, and the tray's repeated
  // "View" for a still that cannot be saved must not open one box after another.
  if (CommandBusy || ApplicationErrorShowing()) return;
  CommandBusy = true;
  struct Unlock {
    bool& busy;
    ~Unlock() { busy = false; }
  } unlock{CommandBusy};
  CallGuarded(hwnd(), [&] { RunCommand(message); });
}

void TKVO_CM_MAIN::RunCommand(UINT message) {
  switch (message) {
    case WM_CMD_SNAPSHOT:
      SnapshotCommand();
      break;
    case WM_CMD_RECORD:
      RecordCommand();
      break;
    case WM_CMD_VIEW:
      if (CameraOn) SaveSnapshot();
      break;
    case WM_CMD_SHOW:
      ShowCommand();
      break;
    case WM_CMD_SENDMAIL:
      MailCommand();
      break;
    default:
      break;
  }
}

bool TKVO_CM_MAIN::HandleDeviceChange(WPARAM event, LPARAM record, LRESULT* result) {
  std::string name;
  if (!DeviceInterfaceName(record, &name)) return false;
  const CameraIds ids{VendorIdText, ProductIdText};
  switch (event) {
    case DBT_DEVICEREMOVECOMPLETE:
      if (!(IsCameraName(name, ids) && CameraOn)) return false;
      ReleaseCamera();
      *result = 1;
      return true;
    case DBT_DEVICEQUERYREMOVE:
      if (IsCameraName(name, ids) && CameraOn) ReleaseCamera();
      *result = 1;  // the removal is granted
      return true;
    case DBT_DEVICEARRIVAL:
      if (CamHandle != nullptr) CM_Close(CamHandle);
      CamHandle = nullptr;
      CM_Open(&CamHandle);
      if (CamHandle != nullptr) ReadIdTexts();
      if (IsCameraName(name, CameraIds{VendorIdText, ProductIdText}) && !CameraOn) {
        ResumeCamera();
      }
      *result = 1;
      return true;
    default:
      return false;
  }
}

// ---- Start-up timer and program end ----

bool TKVO_CM_MAIN::FormatDialogShowing() const {
  return direct_show_ && direct_show_->FormatDialogOpen;
}

namespace {

// Cancels a visible dialog of this thread (the panel's stream-format dialog).
BOOL CALLBACK CancelVisibleDialog(HWND window, LPARAM) {
  char class_name[16] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (std::strcmp(class_name, "#32770") == 0 && IsWindowVisible(window)) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
  return TRUE;
}

}  // namespace

void TKVO_CM_MAIN::CloseFormatDialog() {
  // The stream-format dialog runs its own modal loop inside the panel; the program may only
  // end once that loop has returned, or the panel would go on with released interfaces.
  EnumThreadWindows(GetCurrentThreadId(), CancelVisibleDialog, 0);
}

void TKVO_CM_MAIN::ParameterTimerTimer() {
  if (ExitRequested) {
    if (FormatDialogShowing()) {
      CloseFormatDialog();
      return;  // the next tick ends the program once the dialog has gone
    }
    // The normal shutdown: the window is destroyed and the loop ends.
    ParameterTimer.SetEnabled(false);
    DestroyWindow(hwnd());
    return;
  }
  if (StartupCommandDone) {
    ParameterTimer.SetEnabled(false);
    return;
  }
  StartupCommandDone = true;
  // The start-up command is tried once: a failure is shown by the top-level handler and
  // the handshake still completes.
  CallGuarded(hwnd(), [this] { RunStartupCommand(); });
  WriteAppStatusReady();
  if (!ExitRequested) ParameterTimer.SetEnabled(false);
}

void TKVO_CM_MAIN::RunStartupCommand() {
  const std::string& word = command_word_;
  const bool ready = DirectShow1().GetReady();
  if (word == "NoShow") {
    DirectShow1().Close();
  } else if (word == "SnapShot") {
    if (!ready && Locked() && IsWindowVisible(hwnd())) RequestStill();
    ShowMainWindow();
  } else if (word == "Record") {
    ShowMainWindow();
    if (ready) {
      RecBtnClick();
    } else {
      OpenPreview();
      if (DirectShow1().GetReady()) {
        DirectShow1().Run();
        SetEyeGlyph(true);
        RefreshPreviewButton();
        RecBtnClick();
      }
    }
  } else if (word == "View") {
    SaveSnapshot();
  } else if (word == "Property") {
    ShowPropertyForm();
  } else if (word == "Setting") {
    if (Settings != nullptr) Settings->ShowOnTop();
  } else if (word == "SendMail") {
    if (ready) {
      ShowMainWindow();
      MailPending = true;
      SnapTimer.SetEnabled(true);
    } else if (Locked()) {
      MailPending = true;
      RequestStill();
    }
  }
}

void TKVO_CM_MAIN::WriteAppStatusReady() {
  SettingsKey key;
  key.WriteText("AppStatusOK", "Y", false);
}

void TKVO_CM_MAIN::RequestExit() {
  ExitRequested = true;
  ParameterTimer.SetEnabled(true);
}

// ---- Camera connection ----

bool TKVO_CM_MAIN::Locked() const {
  return direct_show_->Caption() == "Locked by another application";
}

void TKVO_CM_MAIN::OpenPreview() {
  DirectShow1().InitRunCapture(VendorIdText, ProductIdText, false);
}

void TKVO_CM_MAIN::RefreshPreviewButton() {
  PreviewBtn.Hide();
  PreviewBtn.Show();
  PreviewBtn.Focus();
}

void TKVO_CM_MAIN::SetEyeGlyph(bool open) {
  PreviewBtn.SetGlyph(open ? ImageEyeOpen.get() : ImageEyeClose.get());
}

void TKVO_CM_MAIN::ReleaseCamera() {
  DirectShow1().Close();
  if (CamHandle != nullptr) CM_Close(CamHandle);
  CamHandle = nullptr;
  ClosePropertyCameraHandle();
  CameraOn = false;
  if (IsWindowVisible(hwnd())) {
    SetEyeGlyph(false);
    RefreshPreviewButton();
  }
}

void TKVO_CM_MAIN::ResumeCamera() {
  CameraOn = true;
  // The driver needs its time after the camera comes back; the window handles nothing
  // meanwhile.
  Sleep(2000);
  if (CamHandle != nullptr) CM_Close(CamHandle);
  CamHandle = nullptr;
  CM_Open(&CamHandle);
  Sleep(500);
  ReopenPropertyCamera();
}

void TKVO_CM_MAIN::ClosePropertyCameraHandle() {
  if (PropertyForm == nullptr) return;
  if (PropertyForm->CamHandle != nullptr) CM_Close(PropertyForm->CamHandle);
  PropertyForm->CamHandle = nullptr;
}

void TKVO_CM_MAIN::ReopenPropertyCamera() {
  if (PropertyForm != nullptr) PropertyForm->ReopenCamera();
}

void TKVO_CM_MAIN::ShowPropertyForm() {
  if (PropertyForm != nullptr) PropertyForm->ShowForm();
}

// A zoom step moves the property window's Zoom slider one position at a time, each sending
// the camera its zoom level, so the camera shows a short animation; the window keeps the
// zoom factor itself meanwhile (ZoomGuard).
void TKVO_CM_MAIN::ZoomStep(bool zoom_in) {
  if (PropertyForm == nullptr) return;
  TPropertyForm& property = *PropertyForm;
  if (!property.EnabledZoom.Enabled()) return;
  if (!CameraOn) {
    ShowCameraOffBox();
    return;
  }
  const bool can_step = zoom_in ? ZoomFactor < ZoomLimit : ZoomFactor > kZoomFactorOne;
  if (can_step) {
    property.EnabledZoom.SetChecked(true);
    property.ZoomGuard = true;
    const int32_t maximum = property.Zoom.Maximum();
    const ZoomStepRun run =
        zoom_in ? ZoomInRun(ZoomFactor, maximum) : ZoomOutRun(ZoomFactor, maximum);
    for (int32_t step = 0; step < run.count; ++step) {
      property.Zoom.SetValue(run.first + step * run.direction);
      Sleep(kZoomStepPauseMs);
    }
    ZoomFactor = run.new_factor;
    property.Zoom.SetValue(run.rest_value);
    property.ZoomGuard = false;
  }
  property.ShowZoomBanner();
  if (!zoom_in && ZoomFactor == kZoomFactorOne && property.EnabledZoom.Checked()) {
    property.EnabledZoom.SetChecked(false);
  }
}

// ---- Commands of the preview and the window ----

void TKVO_CM_MAIN::ShowMainWindow() {
  const bool was_hidden = !IsWindowVisible(hwnd());
  ShowWindow(hwnd(), SW_SHOW);
  SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  if (was_hidden) FormShow();
}

void TKVO_CM_MAIN::ShowCameraOffBox() {
  MessageBoxA(hwnd(), kCameraOffText, kCameraOffCaption, MB_OK);
}

void TKVO_CM_MAIN::ShowCommand() {
  ShowMainWindow();
  if (DirectShow1().GetInRecord()) {
    RecBtnClick();
    UpdateRecordingStatus();
  } else if (!DirectShow1().GetReady()) {
    PreviewBtnClick();
  }
}

void TKVO_CM_MAIN::PreviewBtnClick() {
  if (DirectShow1().FormatDialogOpen) return;
  if (DirectShow1().GetReady()) {
    if (DirectShow1().GetInRecord()) RecBtnClick();
    SetEyeGlyph(false);
    DirectShow1().Close();
    RefreshPreviewButton();
  } else {
    OpenPreview();
    if (DirectShow1().GetReady()) {
      SetEyeGlyph(true);
      DirectShow1().Run();
      RefreshPreviewButton();
    }
  }
  UpdateRecordingStatus();
}

void TKVO_CM_MAIN::FormShow() {
  if (command_word_ == "Setting" || command_word_ == "Property") {
    DirectShow1().Close();
    SetEyeGlyph(false);
    RefreshPreviewButton();
  } else {
    DirectShow1().Run();
    if (DirectShow1().GetReady()) SetEyeGlyph(true);
    RefreshPreviewButton();
  }
}

void TKVO_CM_MAIN::CloseImgClick() {
  if (DirectShow1().GetInRecord()) RecBtnClick();
  if (DirectShow1().GetReady()) {
    DirectShow1().Close();
    SetEyeGlyph(false);
    RefreshPreviewButton();
  }
  ShowWindow(hwnd(), SW_SHOW);
  ShowWindow(hwnd(), SW_HIDE);
}

bool TKVO_CM_MAIN::FormCloseQuery() {
  if (ExitRequested) return !FormatDialogShowing();
  CloseImgClick();
  return false;
}

void TKVO_CM_MAIN::FormResize() {
  if (!direct_show_) return;
  const SIZE size = WindowSize();
  const PanelSize panel = PanelForWindow(size.cx, size.cy);
  if (DirectShow1().Handle() != nullptr) {
    SetWindowPos(DirectShow1().Handle(), nullptr, 0, 0, panel.width > 0 ? panel.width : 0,
                 panel.height > 0 ? panel.height : 0, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  DirectShow1().ReSizeDS();
  const int close_left = panel.width - kCloseImgFromPanelRight;
  const int move_left = close_left - kButtonStep;
  CloseImg.Move(close_left, kButtonTop);
  MoveBtn.Move(move_left, kButtonTop);
  PreviewBtn.Move(move_left - kButtonStep, kButtonTop);
}

void TKVO_CM_MAIN::FormPaint() { UpdateRecordingStatus(); }

SIZE TKVO_CM_MAIN::WindowSize() const {
  RECT bounds{};
  GetWindowRect(hwnd(), &bounds);
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void TKVO_CM_MAIN::SetWindowSize(int width, int height) {
  SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TKVO_CM_MAIN::SysPopupMenuPopup(toolkit::PopupMenu& menu) {
  const SIZE size = WindowSize();
  const SIZE largest = Frame().LargestSize();
  menu.SetEnabled(restore_win_item_, !(size.cx == largest.cx && size.cy == largest.cy));
  menu.SetChecked(preview_opt_item_, DirectShow1().GetReady());
}

void TKVO_CM_MAIN::RestoreWinClick() { SetWindowSize(kStandardWindowWidth, kStandardWindowHeight); }

void TKVO_CM_MAIN::Preview_OptClick() {
  if (CameraOn) {
    PreviewBtnClick();
  } else {
    ShowCameraOffBox();
  }
}

// ---- The mouse on the window's own surface ----

POINT TKVO_CM_MAIN::WindowPointOfClient(LPARAM lparam) const {
  POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  ClientToScreen(hwnd(), &point);
  RECT bounds{};
  GetWindowRect(hwnd(), &bounds);
  return {point.x - bounds.left, point.y - bounds.top};
}

void TKVO_CM_MAIN::MouseDown(int x, int y) {
  DragOrigin = {x, y};
  const SIZE size = WindowSize();
  if (InSizeGrip(x, y, size.cx, size.cy)) {
    Sizing = true;
  } else {
    Dragging = true;
  }
  SetCapture(hwnd());
}

void TKVO_CM_MAIN::MouseMove(int x, int y) {
  const SIZE size = WindowSize();
  if (Sizing) {
    const SizeStep step = ResizeToPointer(x, y, size.cx, size.cy);
    if (step.width != size.cx || step.height != size.cy) SetWindowSize(step.width, step.height);
  } else if (Dragging) {
    RECT bounds{};
    GetWindowRect(hwnd(), &bounds);
    SetWindowPos(hwnd(), nullptr, bounds.left + x - DragOrigin.x, bounds.top + y - DragOrigin.y,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TKVO_CM_MAIN::MouseUp() {
  Dragging = Sizing = false;
  if (GetCapture() == hwnd()) ReleaseCapture();
}

}  // namespace kvo
