// The main window: construction, destruction and the window procedure. The commands are in
// main_window_commands.cpp, the camera connection and device changes in
// main_window_camera.cpp, the layout and the mouse in main_window_layout.cpp, stills and
// recordings in snapshot_control.cpp.
#include "main_window.h"

#include <dbt.h>

#include <cstring>
#include <utility>

#include "app_error.h"
#include "app_resources.h"
#include "capture_format.h"
#include "command_words.h"
#include "eye_glyphs.h"
#include "settings_key.h"
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
constexpr LONG kLargestTrackedSide = 8192;

constexpr char kRegistrationFailedFormat[] = "RegisterDeviceNotification failed: %d\n";

// {A5DCBF10-6530-11D2-901F-00C04FB951ED}: the USB device interface class.
constexpr GUID kUsbDeviceInterfaceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

}  // namespace

TKVO_CM_MAIN::TKVO_CM_MAIN(HINSTANCE instance, std::string command_word)
    : instance_(instance), command_word_(std::move(command_word)) {}

TKVO_CM_MAIN::~TKVO_CM_MAIN() { DestroyForm(); }

bool TKVO_CM_MAIN::Create() {
  SkinData1.LoadFromFile(toolkit::kSkinFilePath);  // missing or unusable: the plain look
  BuildSystemMenu();
  toolkit::Form::CreateArgs form(instance_, kMainWindowClass, kApplicationTitle,
                                 kMainWindowStyle, WS_EX_APPWINDOW, kDesignedClientWidth,
                                 kDesignedClientHeight, &SkinData1);
  form.left = kDesignedLeft;
  form.top = kDesignedTop;
  form.icon = MAKEINTRESOURCEA(IDI_KVO_MAIN);
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
  const MainWindowLayout& l = kMainWindowLayout;
  direct_show_ = std::make_unique<TDirectShow>(hwnd());
  if (direct_show_->Handle() != nullptr) {
    const toolkit::Rect& panel = l.panel.bounds;
    SetWindowPos(direct_show_->Handle(), nullptr, panel.left, panel.top, panel.width,
                 panel.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  ImageEyeOpen = MakeOpenEyeGlyph();
  ImageEyeClose = MakeClosedEyeGlyph();

  using Button = toolkit::PushButton::CreateArgs;
  auto preview = toolkit::ArgsFrom<Button>(l.preview_btn, hwnd(), &SkinData1);
  preview.visible = false;
  preview.glyph = ImageEyeClose.get();
  preview.glyph_placement = toolkit::GlyphPlacement::kBelow;
  preview.on_click = [this](toolkit::PushButton&) { PreviewBtnClick(); };
  PreviewBtn.Create(preview);

  auto move = toolkit::ArgsFrom<Button>(l.move_btn, hwnd(), &SkinData1);
  move.visible = false;
  MoveBtn.Create(move);

  auto close = toolkit::ArgsFrom<Button>(l.close_img, hwnd(), &SkinData1);
  close.visible = false;
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

  // The program cannot run: the box, then the start-up timer ends it.
  const auto give_up = [this](const char* text) {
    MessageBoxA(hwnd(), text, "Error", MB_OK);
    ParameterTimer.SetEnabled(true);
    ExitRequested = true;
  };
  if (!RegisterCameraNotification()) return give_up("Registering Device Failed!");
  if (!apartment_.ok()) return give_up("CoInitialize Failed!");
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
  const FormatGeometry geometry = GeometryForFormat(DirectShow1().CaptureFormat.bmiHeader.biWidth,
                                                    DirectShow1().CaptureFormat.bmiHeader.biHeight);
  RECT bounds{};
  GetWindowRect(hwnd(), &bounds);
  const ScreenBox placed = RestoredWindowBox(
      {bounds.left, bounds.top, bounds.right, bounds.bottom},
      {has_left ? std::optional<uint32_t>(left) : std::nullopt,
       has_top ? std::optional<uint32_t>(top) : std::nullopt},
      geometry);
  SetWindowPos(hwnd(), nullptr, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND panel = DirectShow1().Handle();
  if (panel != nullptr && geometry.band != FormatGeometry::Band::kAdopted) {
    SetWindowPos(panel, nullptr, 0, 0, geometry.panel_width, geometry.panel_height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (geometry.band == FormatGeometry::Band::kOutOfRange) {
    record = DirectShow1().CaptureFormat;
    record.bmiHeader.biWidth = geometry.format_width;
    record.bmiHeader.biHeight = geometry.format_height;
    DirectShow1().CapturePinSet(&record);
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
      ShowSettingForm();
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
    case WM_MBUTTONDOWN:
      MouseDown(WindowPointOfClient(lparam));
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(WindowPointOfClient(lparam));
      return 0;
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
      for (auto* timer : {&ParameterTimer, &RecTimer, &SnapTimer}) timer->SetEnabled(false);
      FormDestroy();
      if (ExitRequested) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefaultProc(message, wparam, lparam);
}

}  // namespace kvo
