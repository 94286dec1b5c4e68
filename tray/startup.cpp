// Start-up in its fixed order, the hidden main window and its message routing, the tray
// icon and its menu, the About box, shutdown and the exit cleanup.
#include <objbase.h>
#include <sddl.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <vector>

#include "quickdock.h"
#include "quickdock_state.h"
#include "resource.h"
#include "text.h"
#include "error_barrier.h"

namespace kvo::tray {
namespace {

constexpr char kMutexName[] = "KVO_CM_Tray";
constexpr char kBackupFile[] = "CMREG.reg";
constexpr char kCameraLibrary[] = "kvocmdll.dll";
constexpr UINT kTrayIconId = 1;
constexpr DWORD kTokenGroupsBufferSize = 1024;
constexpr RECT kAboutTextRect = {80, 16, 200, 100};

using CmOpenFunction = int (*)(void** handle);
using RegisterSessionFunction = BOOL(WINAPI*)(HWND window, DWORD flags);
using UnregisterSessionFunction = BOOL(WINAPI*)(HWND window);
using CmCloseFunction = int (*)(void* handle);

bool FileExistsHere(const char* name) {
  return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

void WriteSettingsBackup() {
  if (FileExistsHere(kBackupFile)) return;  // the backup is the key as it was at first start
  if (!StartRegistryEditor("/e CMREG.reg HKEY_CURRENT_USER\\Software\\KVO_CM_SW")) {
    MessageBoxA(nullptr, Text(IDS_REGEDIT_ERROR), Text(IDS_ERROR), MB_OK);
    ExitProcess(0);
  }
}

void LoadToolboxBitmaps(HINSTANCE instance) {
  for (int i = 0; i < kBitmapCount; ++i) {
    g_quickdock.bitmaps[i].reset(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_FIRST_BUTTON + i)));
    if (!g_quickdock.bitmaps[i]) {
      MessageBoxA(nullptr, Text(IDS_IMAGE_ERROR), Text(IDS_ERROR), MB_OK | MB_ICONWARNING);
    }
  }
}

// A text setting into a 512-byte buffer; a value that cannot be read raises the restore
// prompt and leaves the setting as it was.
void ReadTextSetting(const char* name, std::string* setting) {
  std::string text;
  const SettingsKey* key = g_quickdock.settings_key.get();
  if (key != nullptr && key->ReadText(name, kTrayValueBufferSize, &text)) {
    *setting = text;
  } else {
    RestorePrompt();
  }
}

void ReadFlagSetting(const char* name, char* flag) {
  std::string text;
  const SettingsKey* key = g_quickdock.settings_key.get();
  if (key != nullptr && key->ReadText(name, kTrayValueBufferSize, &text)) {
    *flag = text.empty() ? '\0' : text[0];
  } else {
    RestorePrompt();
  }
}

void OpenSettingsKeyForStartUp() {
  g_quickdock.settings_key = std::make_unique<SettingsKey>();
  if (g_quickdock.settings_key->is_open()) return;
  StartRegistryEditor("-s CMREG.reg");
  // One more attempt; a key still missing makes every read below raise the prompt.
  g_quickdock.settings_key = std::make_unique<SettingsKey>();
}

void ReadSettings() {
  ReadTextSetting("ProgPath", &g_quickdock.prog_path);
  ReadTextSetting("RunningDevice", &g_quickdock.running_device);
  g_quickdock.dlg_position = "RIGHT";
  g_quickdock.dlg_alpha = 'N';
  g_quickdock.dlg_auto_hide = 'N';
  ReadTextSetting("DlgPosition", &g_quickdock.dlg_position);
  ReadTextSetting("ProductVersion", &g_quickdock.product_version);
  ReadFlagSetting("DlgAlpha", &g_quickdock.dlg_alpha);
  ReadFlagSetting("DlgAutoHide", &g_quickdock.dlg_auto_hide);
}

bool UserIsAdministrator() {
  HANDLE raw_token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw_token)) return false;
  UniqueHandle token(raw_token);
  std::vector<BYTE> buffer(kTokenGroupsBufferSize);
  DWORD needed = 0;
  if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(),
                           static_cast<DWORD>(buffer.size()), &needed)) {
    if (needed <= buffer.size() || needed > 64 * 1024) return false;
    buffer.resize(needed);
    if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(), needed, &needed))
      return false;
  }
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    char* sid_text = nullptr;
    if (!ConvertSidToStringSidA(groups->Groups[i].Sid, &sid_text)) continue;
    const uint32_t id = GroupIdFromSidText(sid_text);
    LocalFree(sid_text);
    if (id == kAdministratorsGroupId) return true;
  }
  return false;
}

void AddTrayIcon(HINSTANCE instance) {
  NOTIFYICONDATAA data = {};
  // The size that Windows 2000 and XP both accept.
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = g_quickdock.main_window;
  data.uID = kTrayIconId;
  data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = kTrayNotifyMessage;
  data.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUICKDOCK),
                                             IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  CopyBounded(data.szTip, sizeof(data.szTip), Text(IDS_TIP));
  Shell_NotifyIconA(NIM_ADD, &data);
}

void RemoveTrayIcon() {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = g_quickdock.main_window;
  data.uID = kTrayIconId;
  Shell_NotifyIconA(NIM_DELETE, &data);
}

void LoadMenus(HINSTANCE instance) {
  g_quickdock.tray_menu_bar.reset(LoadMenuA(instance, MAKEINTRESOURCEA(IDM_TRAY)));
  g_quickdock.toolbox_menu_bar.reset(LoadMenuA(instance, MAKEINTRESOURCEA(IDM_TOOLBOX)));
  g_quickdock.tray_menu = GetSubMenu(g_quickdock.tray_menu_bar.get(), 0);
  g_quickdock.toolbox_menu = GetSubMenu(g_quickdock.toolbox_menu_bar.get(), 0);
  const DockEdge edge = ParseDockEdge(g_quickdock.dlg_position);
  const UINT edge_item = edge == DockEdge::kRight  ? IDM_ON_RIGHT
                         : edge == DockEdge::kLeft ? IDM_ON_LEFT
                         : edge == DockEdge::kTop  ? IDM_ON_TOP
                                                   : 0;
  if (edge_item != 0) CheckMenuItem(g_quickdock.toolbox_menu, edge_item, MF_CHECKED);
  if (g_quickdock.dlg_auto_hide == 'Y')
    CheckMenuItem(g_quickdock.toolbox_menu, IDM_AUTO_HIDE, MF_CHECKED);
}

// The About text lives in a label, so that its four lines can be read like any window
// text; the label leaves clicks to the box.
void AddAboutText(HWND dialog) {
  const std::string text =
      AboutText(Text(IDS_VERSION_INFO), Text(IDS_ABOUT_TITLE), g_quickdock.product_version);
  RECT client = {};
  GetClientRect(dialog, &client);
  const RECT area = kAboutTextRect;
  CreateWindowExA(0, "STATIC", text.c_str(),
                  WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, area.left, area.top,
                  client.right - area.left, client.bottom - area.top,
                  dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_ABOUT_TEXT)),
                  GetModuleHandleA(nullptr), nullptr);
}

INT_PTR AboutMessage(HWND dialog, UINT message, WPARAM wparam) {
  switch (message) {
    case WM_INITDIALOG:
      AddAboutText(dialog);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // The text is drawn over the box's own face, as before.
      SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_LBUTTONUP:
      EndDialog(dialog, 0);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return CallGuarded(dialog, INT_PTR{FALSE}, [&] { return AboutMessage(dialog, message, wparam); });
}

void ShowTrayMenu() {
  POINT cursor = {};
  GetCursorPos(&cursor);
  SetForegroundWindow(g_quickdock.main_window);
  const UINT command = TrackPopupMenu(g_quickdock.tray_menu, TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                      cursor.x, cursor.y, 0, g_quickdock.main_window, nullptr);
  switch (command) {
    case IDM_SHOW_TOOLBOX:
      ShowToolbox();
      break;
    case IDM_ABOUT:
      DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT),
                      g_quickdock.main_window, AboutProc, 0);
      break;
    case IDM_EXIT:
      DestroyWindow(g_quickdock.main_window);
      break;
  }
}

void OnTrayNotify(LPARAM mouse_message) {
  if (mouse_message == WM_LBUTTONDBLCLK) ShowToolbox();
  if (mouse_message == WM_RBUTTONUP) ShowTrayMenu();
}

void Shutdown() {
  RemoveTrayIcon();
  SendCommandWord("Close", false);
  KillTimer(g_quickdock.main_window, kSnapshotPollTimer);
  g_quickdock.settings_key.reset();
  PostQuitMessage(0);
}

void OnDisplayChange(WPARAM bits_per_pixel) {
  g_quickdock.eight_bit_display = bits_per_pixel == 8;
  NudgeToolbox();
}

LRESULT MainWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kTrayNotifyMessage:
      OnTrayNotify(lparam);
      return 1;
    case WM_HOTKEY:
      OnHotKey(wparam);
      return 1;
    case WM_TIMER:
      if (wparam == kSnapshotPollTimer) PollSnapshotButton();
      if (wparam == kCommandBusyTimer) g_quickdock.command_busy = false;
      return 1;
    case WM_WTSSESSION_CHANGE:
      OnSessionChange(wparam);
      break;
    case WM_DEVICECHANGE:
      if (g_quickdock.administrator) OnDeviceChange(wparam, lparam);
      break;
    case WM_DISPLAYCHANGE:
      OnDisplayChange(wparam);
      break;
    case WM_DESTROY:
      Shutdown();
      return 1;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return CallGuarded(window, LRESULT{0},
                     [&] { return MainWindowMessage(window, message, wparam, lparam); });
}

bool CreateMainWindow(HINSTANCE instance) {
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = instance;
  window_class.hIcon = static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUICKDOCK), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  window_class.hIconSm = static_cast<HICON>(LoadImageA(
      instance, MAKEINTRESOURCEA(IDI_QUICKDOCK), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
      GetSystemMetrics(SM_CYSMICON), 0));
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kMainWindowClass;
  RegisterClassExA(&window_class);
  g_quickdock.main_window =
      CreateWindowExA(0, kMainWindowClass, kMainWindowClass, WS_POPUP, CW_USEDEFAULT,
                      CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, nullptr);
  return g_quickdock.main_window != nullptr;
}

// Session notifications came with Windows XP; on Windows 2000 the library lacks them, so
// they are looked up at run time rather than imported.
void RegisterSessionNotifications() {
  g_quickdock.session_library.reset(LoadLibraryA("wtsapi32.dll"));
  if (!g_quickdock.session_library) return;
  auto register_session = reinterpret_cast<RegisterSessionFunction>(reinterpret_cast<void*>(
      GetProcAddress(g_quickdock.session_library.get(), "WTSRegisterSessionNotification")));
  g_quickdock.session_notification =
      register_session != nullptr &&
      register_session(g_quickdock.main_window, NOTIFY_FOR_THIS_SESSION) != FALSE;
}

void UnregisterSessionNotifications() {
  if (!g_quickdock.session_notification || !g_quickdock.session_library) return;
  auto unregister_session = reinterpret_cast<UnregisterSessionFunction>(reinterpret_cast<void*>(
      GetProcAddress(g_quickdock.session_library.get(), "WTSUnRegisterSessionNotification")));
  if (unregister_session != nullptr) unregister_session(g_quickdock.main_window);
  g_quickdock.session_notification = false;
}

void ExitCleanup() {
  KillTimer(g_quickdock.main_window, kSnapshotPollTimer);
  g_quickdock.tray_menu_bar.reset();
  g_quickdock.toolbox_menu_bar.reset();
  UnregisterHotKeys();
  if (g_quickdock.mutex) ReleaseMutex(g_quickdock.mutex.get());
  g_quickdock.mutex.reset();
  KillTimer(g_quickdock.main_window, kCommandBusyTimer);
  RemoveKeyboardHook();
  for (auto& bitmap : g_quickdock.bitmaps) bitmap.reset();
  UnregisterSessionNotifications();
  if (g_quickdock.administrator) UnregisterUsbNotifications();
}

}  // namespace

bool ProbeCameraLibrary() {
  UniqueHModule library(LoadLibraryA(kCameraLibrary));
  if (!library) FatalMissing(kCameraLibrary);
  ComApartment com(COINIT_APARTMENTTHREADED);
  if (!com.ok()) return false;
  auto open = reinterpret_cast<CmOpenFunction>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "@CM_Open$qppv")));
  auto close = reinterpret_cast<CmCloseFunction>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "@CM_Close$qpv")));
  if (open != nullptr && close != nullptr) {
    // The result is not needed: a failed open leaves a null handle, which close refuses.
    void* handle = nullptr;
    open(&handle);
    close(handle);
  }
  return true;
}

int RunQuickdock(HINSTANCE instance) {
  g_quickdock.mutex.reset(CreateMutexA(nullptr, TRUE, kMutexName));
  const bool already_running = GetLastError() == ERROR_ALREADY_EXISTS;
  LoadTexts(instance);
  g_quickdock.prog_path.clear();
  if (already_running) return 0;
  if (!ProbeCameraLibrary()) return 0;
  WriteSettingsBackup();
  InstallKeyboardHook();
  LoadToolboxBitmaps(instance);
  SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
  if (!CreateMainWindow(instance)) return 0;
  RegisterSessionNotifications();
  OpenSettingsKeyForStartUp();
  RegisterHotKeys();
  ReadSettings();
  g_quickdock.settings_key.reset();
  HandHookToLibrary();
  AddTrayIcon(instance);
  LoadMenus(instance);
  g_quickdock.administrator = UserIsAdministrator();
  SetInitialDeviceState();
  if (g_quickdock.administrator) RegisterUsbNotifications();
  SetTimer(g_quickdock.main_window, kSnapshotPollTimer, kSnapshotPollMs, nullptr);
  SetTimer(g_quickdock.main_window, kCommandBusyTimer, kCommandBusyMs, nullptr);
  SendCommandWord("NoShow", false);
  if (!g_quickdock.toolbox_open) RunToolbox(g_quickdock.main_window);
  MSG message;
  int quit_code = 0;
  for (;;) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      quit_code = static_cast<int>(message.wParam);
      break;
    }
    if (got == -1) break;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  ExitCleanup();
  return quit_code;
}

}  // namespace kvo::tray
