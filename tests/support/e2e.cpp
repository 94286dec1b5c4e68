#include "e2e.h"

#include <tlhelp32.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "wide_text.h"

namespace kvo::test {

std::string BinDir() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string result(path, length);
  size_t slash = result.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : result.substr(0, slash);
}

std::string BinPath(const std::string& file) { return BinDir() + "\\" + file; }

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeout_ms) return condition();
    // Keep this thread's own windows (a test's receiver) responsive while waiting.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(20);
  }
}

bool Process::Wait(DWORD timeout_ms, DWORD* code) const {
  if (!handle_) return false;
  if (WaitForSingleObject(handle_.get(), timeout_ms) != WAIT_OBJECT_0) return false;
  if (code != nullptr) GetExitCodeProcess(handle_.get(), code);
  return true;
}

bool Process::Running() const {
  return handle_ && WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
}

void Process::Kill() const {
  if (Running()) {
    TerminateProcess(handle_.get(), 99);
    WaitForSingleObject(handle_.get(), 5000);
  }
}

Process StartProgram(const std::string& program, const std::string& arguments,
              const std::string& working_dir) {
  std::string path = program.find_first_of("\\/:") == std::string::npos ? BinPath(program)
                                                                         : program;
  std::string command_line = "\"" + path + "\" " + arguments;
  std::vector<char> buffer(command_line.begin(), command_line.end());
  buffer.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const std::string directory = working_dir.empty() ? BinDir() : working_dir;
  if (!CreateProcessA(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.c_str(), &startup, &info)) {
    return Process();
  }
  CloseHandle(info.hThread);
  return Process(UniqueHandle(info.hProcess), info.dwProcessId);
}

std::optional<DWORD> RunProgram(const std::string& program, const std::string& arguments,
                         DWORD timeout_ms) {
  Process process = StartProgram(program, arguments);
  DWORD code = 0;
  if (!process.started()) return std::nullopt;
  if (!process.Wait(timeout_ms, &code)) {
    process.Kill();
    return std::nullopt;
  }
  return code;
}

void KillAll(const char* image_name) {
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
    snapshot.release();
    return;
  }
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (_stricmp(entry.szExeFile, image_name) != 0) continue;
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (!process) continue;
    TerminateProcess(process.get(), 99);
    WaitForSingleObject(process.get(), 5000);
  }
}

namespace {

struct WindowQuery {
  const char* class_name;
  const char* caption;
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM parameter) {
  auto* query = reinterpret_cast<WindowQuery*>(parameter);
  if (query->class_name != nullptr && ClassName(window) != query->class_name) return TRUE;
  if (query->caption != nullptr && WindowText(window) != query->caption) return TRUE;
  if (query->process_id != 0) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query->process_id) return TRUE;
  }
  query->found = window;
  return FALSE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  return TRUE;
}

}  // namespace

HWND FindTopWindow(const char* class_name, const char* caption, DWORD process_id) {
  WindowQuery query = {class_name, caption, process_id, nullptr};
  EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND WaitForWindow(const char* class_name, const char* caption, DWORD timeout_ms,
                   DWORD process_id) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopWindow(class_name, caption, process_id)) != nullptr; },
            timeout_ms);
  return found;
}

std::string WindowText(HWND window) {
  // WM_GETTEXT works across processes and for controls of other programs.
  char text[4096] = {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 5000, &length)) {
    return std::string();
  }
  return std::string(text, strnlen(text, sizeof(text)));
}

std::string ClassName(HWND window) {
  char name[256] = {};
  int length = GetClassNameA(window, name, sizeof(name));
  return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

HWND FindChildByText(HWND parent, const char* text) {
  for (HWND child : ChildWindows(parent))
    if (WindowText(child) == text) return child;
  return nullptr;
}

std::vector<std::string> ListBoxLines(HWND list_box) {
  std::vector<std::string> lines;
  const LRESULT count = SendMessageW(list_box, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[1024] = {};
    if (SendMessageW(list_box, LB_GETTEXTLEN, i, 0) >= static_cast<LRESULT>(std::size(text))) {
      lines.push_back("<too long>");
      continue;
    }
    SendMessageW(list_box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    lines.push_back(WideToAnsi(text));
  }
  return lines;
}

HWND WaitForMessageBox(const char* caption, DWORD timeout_ms, DWORD process_id) {
  return WaitForWindow("#32770", caption, timeout_ms, process_id);
}

std::string MessageBoxText(HWND box) {
  // The message text is the static control with id 0xFFFF.
  HWND text = GetDlgItem(box, 0xFFFF);
  return text != nullptr ? WindowText(text) : std::string();
}

bool PressButton(HWND box, int button_id) {
  HWND button = GetDlgItem(box, button_id);
  if (button == nullptr) return false;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  return true;
}

std::string RegValue::AsText() const {
  const void* nul = std::memchr(data.data(), 0, data.size());
  size_t length = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - data.data())
                      : data.size();
  return std::string(reinterpret_cast<const char*>(data.data()), length);
}

std::optional<DWORD> RegValue::AsDword() const {
  if (data.size() != sizeof(DWORD)) return std::nullopt;
  DWORD value = 0;
  std::memcpy(&value, data.data(), sizeof(value));
  return value;
}

std::optional<RegValue> ReadValue(HKEY root, const std::string& path, const std::string& name) {
  UniqueHKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  RegValue value;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  value.data.resize(size);
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, value.data.data(),
                       &size) != ERROR_SUCCESS) {
    return {};
  }
  value.data.resize(size);
  return value;
}

bool WriteValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                const void* data, DWORD size) {
  UniqueHKey key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  // The registry adds a NUL to a string whose count stops just before one: copy the bytes
  // and follow them with a non-NUL guard so exactly size bytes are stored.
  std::vector<BYTE> bytes(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  bytes.push_back(0xFF);
  return RegSetValueExA(key.get(), name.c_str(), 0, type, bytes.data(), size) == ERROR_SUCCESS;
}

bool WriteText(HKEY root, const std::string& path, const std::string& name,
               const std::string& text, bool with_nul) {
  return WriteValue(root, path, name, REG_SZ, text.c_str(),
                    static_cast<DWORD>(text.size() + (with_nul ? 1 : 0)));
}

bool WriteDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
  return WriteValue(root, path, name, REG_DWORD, &value, sizeof(value));
}

bool DeleteValue(HKEY root, const std::string& path, const std::string& name) {
  UniqueHKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  return RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS;
}

bool DeleteTree(HKEY root, const std::string& path) {
  UniqueHKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) {
    return true;  // nothing to delete
  }
  char child[512];
  for (;;) {
    DWORD length = sizeof(child);
    if (RegEnumKeyExA(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    if (!DeleteTree(root, path + "\\" + child)) return false;
  }
  key.reset();
  return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

bool ImportRegFile(const std::string& path) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::optional<DWORD> code =
      RunProgram(std::string(windows) + "\\regedit.exe", "-s \"" + path + "\"", 60000);
  return code && *code == 0;
}

bool ResetSettings() {
  if (!DeleteTree(HKEY_CURRENT_USER, kSettingsPath)) return false;
  if (!ImportRegFile(BinPath("settings.reg"))) return false;
  return WriteText(HKEY_CURRENT_USER, kSettingsPath, "ProgPath", BinDir()) &&
         ReadValue(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK").has_value();
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitForFile(const std::string& path, DWORD timeout_ms) {
  return WaitUntil([&] { return FileExists(path); }, timeout_ms);
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(file);
}

}  // namespace kvo::test
