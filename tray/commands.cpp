// Command words, hot keys, the keyboard hook, the snapshot-button poll, console session
// switching and USB arrival and removal.
#include "driver_records.h"
#include "instance_key_path.h"
#include "quickdock.h"
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

// A key below HKEY_LOCAL_MACHINE opened for reading; an empty owner when it cannot open.
UniqueHKey OpenMachineKeyToRead(const char* path) {
  UniqueHKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    key.release();
  return key;
}

// Follows the driver key to its instance key and reads the snapshot state there.
bool ReadSnapshotState(DWORD* state) {
  const UniqueHKey driver_key = OpenMachineKeyToRead("SOFTWARE\\CAMDRV\\USBCAM\\camstd");
  DWORD instance = 0;
  if (!driver_key || !ReadDwordValue(driver_key.get(), kInstanceIndexValue, &instance))
    return false;
  char kernel_path[kInstancePathBufferSize] = {};
  DWORD size = sizeof(kernel_path);
  const std::string value_name = InstanceValueName(static_cast<int32_t>(instance));
  if (RegQueryValueExA(driver_key.get(), value_name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(kernel_path), &size) != ERROR_SUCCESS) {
    return false;
  }
  const std::optional<std::string> instance_key_path =
      cm::InstanceKeyPathOf(TextFromStoredBytes(kernel_path, size));
  if (!instance_key_path) return false;
  const UniqueHKey instance_key = OpenMachineKeyToRead(instance_key_path->c_str());
  return instance_key && ReadDwordValue(instance_key.get(), kSnapShotStateValue, state);
}

}  // namespace

void Quickdock::ReadRunningDeviceAfterProbe() {
  SettingsKey key;
  ReadTextSetting(&key, "RunningDevice", &state_.running_device);
}

void Quickdock::SendCommandWord(const char* word, bool visible) {
  StartProgram(kProgramName, word, visible, false);
}

bool Quickdock::SendBusyGuardedWord(const char* word) {
  if (state_.command_busy) return false;
  state_.command_busy = true;
  SendCommandWord(word, true);
  return true;
}

void Quickdock::InstallKeyboardHook() {
  UniqueHModule library(LoadLibraryA(kHookLibrary));
  if (!library) return;
  auto init = GetProcAddress(library.get(), "_init");
  auto procedure = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "_KeyLL")));
  if (init == nullptr || procedure == nullptr) return;
  state_.keyboard_hook = SetWindowsHookExA(WH_KEYBOARD_LL, procedure, library.get(), 0);
  state_.hook_library = std::move(library);
}

void Quickdock::HandHookToLibrary() {
  if (!state_.hook_library || state_.keyboard_hook == nullptr) return;
  auto init = reinterpret_cast<HookInitFunction>(
      reinterpret_cast<void*>(GetProcAddress(state_.hook_library.get(), "_init")));
  if (init != nullptr) init(state_.keyboard_hook);
}

void Quickdock::RemoveKeyboardHook() {
  if (state_.keyboard_hook != nullptr) UnhookWindowsHookEx(state_.keyboard_hook);
  state_.keyboard_hook = nullptr;
  state_.hook_library.reset();
}

void Quickdock::RegisterHotKeys() {
  for (int i = 0; i < kHotKeyCount; ++i) {
    state_.hot_key_ids[i] = GlobalAddAtomA(kHotKeys[i].atom_name);
    std::string letter;
    unsigned code = 0;
    // A refused combination (taken, or no key) is not reported.
    if (ReadTextSetting(state_.settings_key.get(), kHotKeys[i].value_name, &letter) &&
        HotKeyCode(letter, &code)) {
      RegisterHotKey(state_.main_window, state_.hot_key_ids[i], MOD_ALT, code);
    }
  }
}

void Quickdock::UnregisterHotKeys() {
  for (ATOM& id : state_.hot_key_ids) {
    if (id == 0) continue;
    UnregisterHotKey(state_.main_window, id);
    GlobalDeleteAtom(id);
    id = 0;
  }
}

void Quickdock::OnHotKey(WPARAM id) {
  if (!state_.device_enabled) {
    MessageBoxA(nullptr, Text(IDS_CAMERA_OFF), Text(IDS_ERROR), MB_OK);
    return;
  }
  for (int i = 0; i < kHotKeyCount; ++i) {
    if (state_.hot_key_ids[i] != 0 && state_.hot_key_ids[i] == id) {
      SendBusyGuardedWord(kHotKeys[i].word);
      return;
    }
  }
}

void Quickdock::SetInitialDeviceState() {
  if (!state_.administrator) {
    state_.device_enabled = true;
    return;
  }
  if (StartProgram(kDeviceControlProgram, CamctrlArgument(state_.running_device), false,
                   true)) {
    state_.device_enabled = true;
  }
}

void Quickdock::RegisterUsbNotifications() {
  DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kUsbDeviceInterfaceClass;
  state_.device_notification = RegisterDeviceNotificationA(
      state_.main_window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (state_.device_notification == nullptr) {
    const std::string message =
        FormatWithName(Text(IDS_NOTIFICATION_FAILED), std::to_string(GetLastError()));
    MessageBoxA(nullptr, message.c_str(), Text(IDS_REGISTRATION), MB_OK);
  }
}

void Quickdock::UnregisterUsbNotifications() {
  if (state_.device_notification != nullptr)
    UnregisterDeviceNotification(state_.device_notification);
  state_.device_notification = nullptr;
}

void Quickdock::PollSnapshotButton() {
  if (state_.error_box_shown) return;
  DWORD state = 0;
  if (ReadSnapshotState(&state) && state == kSnapShotPending) SendCommandWord("View", true);
}

void Quickdock::OnSessionChange(WPARAM event) {
  if (event == kConsoleDisconnect && state_.device_enabled) {
    SendCommandWord("disable", false);
    state_.device_enabled = false;
    state_.session_disabled = true;
  }
  if (event == kConsoleConnect && state_.session_disabled) {
    SendCommandWord("enable", false);
    state_.device_enabled = true;
    state_.session_disabled = false;
  }
}

void Quickdock::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  if (event == DBT_DEVICEARRIVAL && state_.running_device.empty() &&
      ProbeCameraLibrary()) {
    ReadRunningDeviceAfterProbe();
  }
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
  const std::string name =
      DevicePathFromRecord(reinterpret_cast<const uint8_t*>(header), header->dbch_size);
  if (!DeviceNameNamesRunningDevice(name, state_.running_device)) return;
  state_.device_enabled = event == DBT_DEVICEARRIVAL;
}

}  // namespace kvo::tray
