// Command words, hot keys, the keyboard hook, the snapshot-button poll, console session
// switching and USB arrival and removal.
#include <cstring>

#include "driver_records.h"
#include "quickdock_state.h"
#include "resource.h"
#include "text.h"

namespace kvo::tray {
namespace {

constexpr char kProgramName[] = "KVO_MAIN.exe";
constexpr char kDeviceControlProgram[] = "camctrl.exe";
constexpr char kHookLibrary[] = "hookdll.dll";
constexpr DWORD kInstancePathBufferSize = 256;
// {A5DCBF10-6530-11D2-901F-00C04FB951ED}: the platform's class of USB device interfaces.
constexpr GUID kUsbDeviceInterfaceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

using HookInitFunction = void(__cdecl*)(HHOOK hook);
using WtsConsoleEvent = WPARAM;
constexpr WtsConsoleEvent kConsoleConnect = 1;
constexpr WtsConsoleEvent kConsoleDisconnect = 2;

bool ReadDwordValue(HKEY key, const char* name, DWORD* value) {
  DWORD read = 0;
  DWORD size = sizeof(read);
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size) !=
      ERROR_SUCCESS || size != sizeof(read)) {
    return false;
  }
  *value = read;
  return true;
}

// Follows the driver key to its instance key and reads the snapshot state there.
bool ReadSnapshotState(DWORD* state) {
  UniqueHKey driver_key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\CAMDRV\\USBCAM\\camstd", 0, KEY_QUERY_VALUE,
                    driver_key.put()) != ERROR_SUCCESS) {
    driver_key.release();
    return false;
  }
  DWORD instance = 0;
  if (!ReadDwordValue(driver_key.get(), kInstanceIndexValue, &instance)) return false;
  char kernel_path[kInstancePathBufferSize] = {};
  DWORD size = sizeof(kernel_path);
  const std::string value_name = InstanceValueName(static_cast<int32_t>(instance));
  if (RegQueryValueExA(driver_key.get(), value_name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(kernel_path), &size) != ERROR_SUCCESS) {
    return false;
  }
  std::string instance_key_path;
  if (!InstanceKeyFromKernelPath(TextFromStoredBytes(kernel_path, size), &instance_key_path))
    return false;
  UniqueHKey instance_key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, instance_key_path.c_str(), 0, KEY_QUERY_VALUE,
                    instance_key.put()) != ERROR_SUCCESS) {
    instance_key.release();
    return false;
  }
  return ReadDwordValue(instance_key.get(), kSnapShotStateValue, state);
}

void ReadRunningDeviceAfterProbe() {
  SettingsKey key;
  std::string running;
  if (!key.is_open()) {
    RestorePrompt();
  } else if (key.ReadText("RunningDevice", kTrayValueBufferSize, &running)) {
    g_quickdock.running_device = running;
  } else {
    RestorePrompt();
  }
}

void ShowCameraOff(const char* caption) {
  MessageBoxA(nullptr, Text(IDS_CAMERA_OFF), caption, MB_OK);
}

}  // namespace

void SendCommandWord(const char* word, bool visible) {
  StartProgram(kProgramName, word, visible, false);
}

bool SendBusyGuardedWord(const char* word) {
  if (g_quickdock.command_busy) return false;
  g_quickdock.command_busy = true;
  SendCommandWord(word, true);
  return true;
}

void InstallKeyboardHook() {
  UniqueHModule library(LoadLibraryA(kHookLibrary));
  if (!library) return;
  auto init = GetProcAddress(library.get(), "_init");
  auto procedure = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "_KeyLL")));
  if (init == nullptr || procedure == nullptr) return;
  g_quickdock.keyboard_hook = SetWindowsHookExA(WH_KEYBOARD_LL, procedure, library.get(), 0);
  g_quickdock.hook_library = std::move(library);
}

void HandHookToLibrary() {
  if (!g_quickdock.hook_library || g_quickdock.keyboard_hook == nullptr) return;
  auto init = reinterpret_cast<HookInitFunction>(
      reinterpret_cast<void*>(GetProcAddress(g_quickdock.hook_library.get(), "_init")));
  if (init != nullptr) init(g_quickdock.keyboard_hook);
}

void RemoveKeyboardHook() {
  if (g_quickdock.keyboard_hook != nullptr) UnhookWindowsHookEx(g_quickdock.keyboard_hook);
  g_quickdock.keyboard_hook = nullptr;
  g_quickdock.hook_library.reset();
}

void RegisterHotKeys() {
  for (int i = 0; i < kHotKeyCount; ++i) {
    g_quickdock.hot_key_ids[i] = GlobalAddAtomA(kHotKeys[i].atom_name);
    std::string letter;
    const SettingsKey* key = g_quickdock.settings_key.get();
    if (key == nullptr || !key->ReadText(kHotKeys[i].value_name, kTrayValueBufferSize, &letter)) {
      RestorePrompt();
      continue;
    }
    unsigned code = 0;
    // A refused combination (taken, or no key) is not reported.
    if (HotKeyCode(letter, &code))
      RegisterHotKey(g_quickdock.main_window, g_quickdock.hot_key_ids[i], MOD_ALT, code);
  }
}

void UnregisterHotKeys() {
  for (ATOM& id : g_quickdock.hot_key_ids) {
    if (id == 0) continue;
    UnregisterHotKey(g_quickdock.main_window, id);
    GlobalDeleteAtom(id);
    id = 0;
  }
}

void OnHotKey(WPARAM id) {
  if (!g_quickdock.device_enabled) {
    ShowCameraOff(Text(IDS_ERROR));
    return;
  }
  for (int i = 0; i < kHotKeyCount; ++i) {
    if (g_quickdock.hot_key_ids[i] != 0 && g_quickdock.hot_key_ids[i] == id) {
      SendBusyGuardedWord(kHotKeys[i].word);
      return;
    }
  }
}

void SetInitialDeviceState() {
  if (!g_quickdock.administrator) {
    g_quickdock.device_enabled = true;
    return;
  }
  if (StartProgram(kDeviceControlProgram, CamctrlArgument(g_quickdock.running_device), false,
                   true)) {
    g_quickdock.device_enabled = true;
  }
}

void RegisterUsbNotifications() {
  DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kUsbDeviceInterfaceClass;
  g_quickdock.device_notification = RegisterDeviceNotificationA(
      g_quickdock.main_window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (g_quickdock.device_notification == nullptr) {
    const std::string message =
        FormatWithName(Text(IDS_NOTIFICATION_FAILED), std::to_string(GetLastError()));
    MessageBoxA(nullptr, message.c_str(), Text(IDS_REGISTRATION), MB_OK);
  }
}

void UnregisterUsbNotifications() {
  if (g_quickdock.device_notification != nullptr)
    UnregisterDeviceNotification(g_quickdock.device_notification);
  g_quickdock.device_notification = nullptr;
}

void PollSnapshotButton() {
  if (g_quickdock.error_box_shown) return;
  DWORD state = 0;
  if (ReadSnapshotState(&state) && state == kSnapShotPending) SendCommandWord("View", true);
}

void OnSessionChange(WPARAM event) {
  if (event == kConsoleDisconnect && g_quickdock.device_enabled) {
    SendCommandWord("disable", false);
    g_quickdock.device_enabled = false;
    g_quickdock.session_disabled = true;
  }
  if (event == kConsoleConnect && g_quickdock.session_disabled) {
    SendCommandWord("enable", false);
    g_quickdock.device_enabled = true;
    g_quickdock.session_disabled = false;
  }
}

void OnDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  if (event == DBT_DEVICEARRIVAL && g_quickdock.running_device.empty() &&
      ProbeCameraLibrary()) {
    ReadRunningDeviceAfterProbe();
  }
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
  const std::string name =
      DevicePathFromRecord(reinterpret_cast<const uint8_t*>(header), header->dbch_size);
  if (!DeviceNameNamesRunningDevice(name, g_quickdock.running_device)) return;
  g_quickdock.device_enabled = event == DBT_DEVICEARRIVAL;
}

}  // namespace kvo::tray
