// The hidden main window and its message routing, the tray icon and its menu, the About box,
// the session notifications and shutdown.
#include "quickdock.h"

#include <shellapi.h>
#include <wtsapi32.h>

#include <string>

#include "error_barrier.h"
#include "resource.h"
#include "text.h"

namespace kvo::tray {
namespace {

constexpr UINT kTrayIconId = 1;
constexpr RECT kAboutTextRect = {80, 16, 200, 100};

using RegisterSessionFunction = BOOL(WINAPI*)(HWND window, DWORD flags);
using UnregisterSessionFunction = BOOL(WINAPI*)(HWND window);

NOTIFYICONDATAA TrayIconData(HWND window) {
  NOTIFYICONDATAA data = {};
  // The size that Windows 2000 and XP both accept.
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = window;
  data.uID = kTrayIconId;
  return data;
}

// The About text lives in a label, so that its four lines can be read like any window
// text; the label leaves clicks to the box.
void AddAboutText(HWND dialog, const std::string& text) {
  RECT client = {};
  GetClientRect(dialog, &client);
  const RECT area = kAboutTextRect;
  CreateWindowExA(0, "STATIC", text.c_str(),
                  WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, area.left, area.top,
                  client.right - area.left, client.bottom - area.top,
                  dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_ABOUT_TEXT)),
                  GetModuleHandleA(nullptr), nullptr);
}

// The box is handed its text when it opens.
INT_PTR AboutMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      AddAboutText(dialog, *reinterpret_cast<const std::string*>(lparam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // The text is drawn over the box's own face, as before.
      SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_LBUTTONUP:
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return CallGuarded(dialog, INT_PTR{FALSE},
                     [&] { return AboutMessage(dialog, message, wparam, lparam); });
}

}  // namespace

void Quickdock::AddTrayIcon() {
  NOTIFYICONDATAA data = TrayIconData(state_.main_window);
  data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = kTrayNotifyMessage;
  data.hIcon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_QUICKDOCK),
                                             IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  CopyBounded(data.szTip, sizeof(data.szTip), Text(IDS_TIP));
  Shell_NotifyIconA(NIM_ADD, &data);
}

void Quickdock::RemoveTrayIcon() {
  NOTIFYICONDATAA data = TrayIconData(state_.main_window);
  Shell_NotifyIconA(NIM_DELETE, &data);
}

void Quickdock::ShowTrayMenu() {
  POINT cursor = {};
  GetCursorPos(&cursor);
  SetForegroundWindow(state_.main_window);
  const UINT command = TrackPopupMenu(state_.tray_menu, TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                      cursor.x, cursor.y, 0, state_.main_window, nullptr);
  switch (command) {
    case IDM_SHOW_TOOLBOX:
      toolbox_.Show();
      break;
    case IDM_ABOUT:
      ShowAboutBox();
      break;
    case IDM_EXIT:
      DestroyWindow(state_.main_window);
      break;
  }
}

void Quickdock::ShowAboutBox() {
  const std::string text =
      AboutText(Text(IDS_VERSION_INFO), Text(IDS_ABOUT_TITLE), state_.product_version);
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), state_.main_window,
                  AboutProc, reinterpret_cast<LPARAM>(&text));
}

void Quickdock::OnTrayNotify(LPARAM mouse_message) {
  if (mouse_message == WM_LBUTTONDBLCLK) toolbox_.Show();
  if (mouse_message == WM_RBUTTONUP) ShowTrayMenu();
}

void Quickdock::Shutdown() {
  RemoveTrayIcon();
  SendCommandWord("Close", false);
  KillTimer(state_.main_window, kSnapshotPollTimer);
  state_.settings_key.reset();
  PostQuitMessage(0);
}

void Quickdock::OnDisplayChange(WPARAM bits_per_pixel) {
  state_.eight_bit_display = bits_per_pixel == 8;
  toolbox_.Nudge();
}

LRESULT Quickdock::MainWindowMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kTrayNotifyMessage:
      OnTrayNotify(lparam);
      return 1;
    case WM_HOTKEY:
      OnHotKey(wparam);
      return 1;
    case WM_TIMER:
      if (wparam == kSnapshotPollTimer) PollSnapshotButton();
      if (wparam == kCommandBusyTimer) state_.command_busy = false;
      return 1;
    case WM_WTSSESSION_CHANGE:
      OnSessionChange(wparam);
      break;
    case WM_DEVICECHANGE:
      if (state_.administrator) OnDeviceChange(wparam, lparam);
      break;
    case WM_DISPLAYCHANGE:
      OnDisplayChange(wparam);
      break;
    case WM_DESTROY:
      Shutdown();
      return 1;
  }
  return DefWindowProcA(state_.main_window, message, wparam, lparam);
}

LRESULT CALLBACK Quickdock::MainWindowProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* created =
        static_cast<Quickdock*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    created->state_.main_window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* quickdock = reinterpret_cast<Quickdock*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  // Before WM_NCCREATE, and from WM_NCDESTROY on, the window belongs to no object.
  if (quickdock == nullptr) return DefWindowProcA(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  return CallGuarded(window, LRESULT{0},
                     [&] { return quickdock->MainWindowMessage(message, wparam, lparam); });
}

bool Quickdock::CreateMainWindow() {
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = instance_;
  window_class.hIcon = static_cast<HICON>(
      LoadImageA(instance_, MAKEINTRESOURCEA(IDI_QUICKDOCK), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  window_class.hIconSm = static_cast<HICON>(LoadImageA(
      instance_, MAKEINTRESOURCEA(IDI_QUICKDOCK), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
      GetSystemMetrics(SM_CYSMICON), 0));
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kMainWindowClass;
  RegisterClassExA(&window_class);
  state_.main_window =
      CreateWindowExA(0, kMainWindowClass, kMainWindowClass, WS_POPUP, CW_USEDEFAULT,
                      CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance_, this);
  return state_.main_window != nullptr;
}

// Session notifications came with Windows XP; on Windows 2000 the library lacks them, so
// they are looked up at run time rather than imported.
void Quickdock::RegisterSessionNotifications() {
  state_.session_library.reset(LoadLibraryA("wtsapi32.dll"));
  if (!state_.session_library) return;
  auto register_session = reinterpret_cast<RegisterSessionFunction>(reinterpret_cast<void*>(
      GetProcAddress(state_.session_library.get(), "WTSRegisterSessionNotification")));
  state_.session_notification =
      register_session != nullptr &&
      register_session(state_.main_window, NOTIFY_FOR_THIS_SESSION) != FALSE;
}

void Quickdock::UnregisterSessionNotifications() {
  if (!state_.session_notification || !state_.session_library) return;
  auto unregister_session = reinterpret_cast<UnregisterSessionFunction>(reinterpret_cast<void*>(
      GetProcAddress(state_.session_library.get(), "WTSUnRegisterSessionNotification")));
  if (unregister_session != nullptr) unregister_session(state_.main_window);
  state_.session_notification = false;
}

}  // namespace kvo::tray
