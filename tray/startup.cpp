// Start-up in its fixed order, the settings it reads, the message loop and the exit
// cleanup.
#include <objbase.h>
#include <sddl.h>

#include <vector>

#include "quickdock.h"
#include "resource.h"

namespace kvo::tray {
namespace {

constexpr char kMutexName[] = "KVO_CM_Tray";
constexpr char kBackupFile[] = "CMREG.reg";
constexpr char kCameraLibrary[] = "kvocmdll.dll";
constexpr DWORD kTokenGroupsBufferSize = 1024;
// The toolbox menu's item of each DockEdge; kNone has none.
constexpr UINT kEdgeMenuItems[] = {0, IDM_ON_RIGHT, IDM_ON_LEFT, IDM_ON_TOP};

using CmOpenFunction = int (*)(void** handle);
using CmCloseFunction = int (*)(void* handle);

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

}  // namespace

void Quickdock::WriteSettingsBackup() {
  // The backup is the key as it was at first start.
  if (GetFileAttributesA(kBackupFile) != INVALID_FILE_ATTRIBUTES) return;
  if (!StartRegistryEditor("/e CMREG.reg HKEY_CURRENT_USER\\Software\\KVO_CM_SW")) {
    MessageBoxA(nullptr, Text(IDS_REGEDIT_ERROR), Text(IDS_ERROR), MB_OK);
    ExitProcess(0);
  }
}

void Quickdock::LoadToolboxBitmaps() {
  for (int i = 0; i < kBitmapCount; ++i) {
    state_.bitmaps[i].reset(LoadBitmapA(instance_, MAKEINTRESOURCEA(IDB_FIRST_BUTTON + i)));
    if (!state_.bitmaps[i]) {
      MessageBoxA(nullptr, Text(IDS_IMAGE_ERROR), Text(IDS_ERROR), MB_OK | MB_ICONWARNING);
    }
  }
}

// A text setting into a 512-byte buffer; a value that cannot be read (or a key that is not
// open) raises the restore prompt and leaves the setting as it was.
bool Quickdock::ReadTextSetting(const SettingsKey* key, const char* name, std::string* setting) {
  if (key != nullptr && key->ReadText(name, kTrayValueBufferSize, setting)) return true;
  RestorePrompt();
  return false;
}

void Quickdock::ReadFlagSetting(const SettingsKey* key, const char* name, char* flag) {
  std::string text(1, *flag);
  ReadTextSetting(key, name, &text);
  *flag = text.empty() ? '\0' : text[0];
}

void Quickdock::OpenSettingsKeyForStartUp() {
  state_.settings_key = std::make_unique<SettingsKey>();
  if (state_.settings_key->is_open()) return;
  StartRegistryEditor("-s CMREG.reg");
  // One more attempt; a key still missing makes every read below raise the prompt.
  state_.settings_key = std::make_unique<SettingsKey>();
}

void Quickdock::ReadSettings() {
  const SettingsKey* key = state_.settings_key.get();
  ReadTextSetting(key, "ProgPath", &state_.prog_path);
  ReadTextSetting(key, "RunningDevice", &state_.running_device);
  state_.dlg_position = "RIGHT";
  state_.dlg_alpha = 'N';
  state_.dlg_auto_hide = 'N';
  ReadTextSetting(key, "DlgPosition", &state_.dlg_position);
  ReadTextSetting(key, "ProductVersion", &state_.product_version);
  ReadFlagSetting(key, "DlgAlpha", &state_.dlg_alpha);
  ReadFlagSetting(key, "DlgAutoHide", &state_.dlg_auto_hide);
}

void Quickdock::LoadMenus() {
  state_.tray_menu_bar.reset(LoadMenuA(instance_, MAKEINTRESOURCEA(IDM_TRAY)));
  state_.toolbox_menu_bar.reset(LoadMenuA(instance_, MAKEINTRESOURCEA(IDM_TOOLBOX)));
  state_.tray_menu = GetSubMenu(state_.tray_menu_bar.get(), 0);
  state_.toolbox_menu = GetSubMenu(state_.toolbox_menu_bar.get(), 0);
  const UINT edge_item = kEdgeMenuItems[static_cast<int>(ParseDockEdge(state_.dlg_position))];
  if (edge_item != 0) CheckMenuItem(state_.toolbox_menu, edge_item, MF_CHECKED);
  if (state_.dlg_auto_hide == 'Y')
    CheckMenuItem(state_.toolbox_menu, IDM_AUTO_HIDE, MF_CHECKED);
}

void Quickdock::ExitCleanup() {
  KillTimer(state_.main_window, kSnapshotPollTimer);
  state_.tray_menu_bar.reset();
  state_.toolbox_menu_bar.reset();
  UnregisterHotKeys();
  if (state_.mutex) ReleaseMutex(state_.mutex.get());
  state_.mutex.reset();
  KillTimer(state_.main_window, kCommandBusyTimer);
  RemoveKeyboardHook();
  for (auto& bitmap : state_.bitmaps) bitmap.reset();
  UnregisterSessionNotifications();
  if (state_.administrator) UnregisterUsbNotifications();
}

bool Quickdock::ProbeCameraLibrary() {
  UniqueHModule library(LoadLibraryA(kCameraLibrary));
  if (!library) FatalError(IDS_MISSING, kCameraLibrary);
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

Quickdock::~Quickdock() {
  // A run that ended early leaves its hidden window behind: it must not reach this object
  // any more.
  HWND window = state_.main_window;
  if (window == nullptr ||
      GetWindowLongPtrA(window, GWLP_USERDATA) != reinterpret_cast<LONG_PTR>(this)) {
    return;
  }
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

void Quickdock::OpenSettingsKeyForMenu() {
  // A key left open by an earlier menu is closed before the key is opened again.
  state_.settings_key.reset();
  state_.settings_key = std::make_unique<SettingsKey>();
}

int Quickdock::Run() {
  state_.mutex.reset(CreateMutexA(nullptr, TRUE, kMutexName));
  const bool already_running = GetLastError() == ERROR_ALREADY_EXISTS;
  LoadTexts();
  state_.prog_path.clear();
  if (already_running) return 0;
  if (!ProbeCameraLibrary()) return 0;
  WriteSettingsBackup();
  InstallKeyboardHook();
  LoadToolboxBitmaps();
  SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
  if (!CreateMainWindow()) return 0;
  RegisterSessionNotifications();
  OpenSettingsKeyForStartUp();
  RegisterHotKeys();
  ReadSettings();
  state_.settings_key.reset();
  HandHookToLibrary();
  AddTrayIcon();
  LoadMenus();
  state_.administrator = UserIsAdministrator();
  SetInitialDeviceState();
  if (state_.administrator) RegisterUsbNotifications();
  SetTimer(state_.main_window, kSnapshotPollTimer, kSnapshotPollMs, nullptr);
  SetTimer(state_.main_window, kCommandBusyTimer, kCommandBusyMs, nullptr);
  SendCommandWord("NoShow", false);
  if (!toolbox_.open()) toolbox_.Run(state_.main_window);
  const int quit_code = RunMessageLoop();
  ExitCleanup();
  return quit_code;
}

int Quickdock::RunMessageLoop() {
  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 0;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace kvo::tray
