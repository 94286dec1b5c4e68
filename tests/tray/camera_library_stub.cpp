// A stand-in for the camera control library in the tray companion's tests, exporting the
// two entry points the tray companion probes. Like the real library, its open records the
// bound camera in RunningDevice: the product string while the simulated camera is on,
// an empty text while it is off. Each call is appended to "cmdll_calls.txt" beside the DLL.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HMODULE g_module = nullptr;
int g_handle_storage = 0;

void Record(const std::string& line) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  std::string log(path, length);
  log = log.substr(0, log.find_last_of('\\') + 1) + "cmdll_calls.txt";
  HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

bool CameraOn() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KvoTestbed\\SimCam", 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS) {
    return true;
  }
  DWORD value = 1;
  DWORD size = sizeof(value);
  const LONG status =
      RegQueryValueExA(key, "PoweredOn", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status != ERROR_SUCCESS || value != 0;
}

void WriteRunningDevice() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KVO_CM_SW", 0, KEY_ALL_ACCESS, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  char product[256] = {};
  DWORD size = sizeof(product) - 1;
  if (RegQueryValueExA(key, "ProductString", nullptr, nullptr, reinterpret_cast<BYTE*>(product),
                       &size) != ERROR_SUCCESS) {
    product[0] = '\0';
  }
  const std::string running = CameraOn() ? std::string(product) : std::string();
  RegSetValueExA(key, "RunningDevice", 0, REG_SZ, reinterpret_cast<const BYTE*>(running.c_str()),
                 static_cast<DWORD>(running.size() + 1));
  RegCloseKey(key);
}

}  // namespace

extern "C" {

int StubOpen(void** handle) {
  if (handle == nullptr) return 1;
  WriteRunningDevice();
  *handle = &g_handle_storage;
  char line[64];
  std::snprintf(line, sizeof(line), "open %d", CameraOn() ? 1 : 0);
  Record(line);
  return 0;
}

int StubClose(void* handle) {
  Record(handle == &g_handle_storage ? "close ours" : "close other");
  return handle == &g_handle_storage ? 0 : 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

}
