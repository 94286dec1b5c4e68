#include "tray_harness.h"

#include <cstdio>
#include <cstdlib>

namespace kvo::test {

namespace {

constexpr char kDriverKey[] = "SOFTWARE\\CAMDRV\\USBCAM\\CAMSTD";
constexpr DWORD kTestInstance = 9901;
constexpr char kTestInstanceValue[] = "ii9901";
constexpr char kTestInstanceKey[] = "SOFTWARE\\KvoTrayTest\\Instance9901";

bool CopyInto(const std::string& source, const std::string& target) {
  return CopyFileA(BinPath(source).c_str(), TrayPath(target).c_str(), FALSE) != FALSE;
}

std::string XdoFolder() {
  const char* folder = std::getenv("KVO_XDO_DIR");
  if (folder == nullptr || folder[0] != '/') return std::string();
  std::string path = std::string("Z:") + folder;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

struct ProcessWindowQuery {
  DWORD process_id;
  const char* class_name;
  std::vector<HWND> found;
};

BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM parameter) {
  auto* query = reinterpret_cast<ProcessWindowQuery*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != query->process_id || !IsWindowVisible(window)) return TRUE;
  if (ClassName(window) != query->class_name) return TRUE;
  query->found.push_back(window);
  return TRUE;
}

HWND FindVisibleWindow(DWORD process_id, const char* class_name) {
  auto windows = VisibleWindows(process_id, class_name);
  return windows.empty() ? nullptr : windows.front();
}

}  // namespace

std::string TrayFolder() { return BinPath("tray case"); }
std::string TrayPath(const std::string& file) { return TrayFolder() + "\\" + file; }

bool PrepareTrayFolder() {
  CreateDirectoryA(TrayFolder().c_str(), nullptr);
  for (const char* stale : {"CMREG.reg", "commands.txt"})
    DeleteFileA(TrayPath(stale).c_str());
  return CopyInto("quickdock.exe", "quickdock.exe") && CopyInto("kvo_recorder.exe", "KVO_MAIN.exe") &&
         CopyInto("kvocmdll.dll", "kvocmdll.dll") &&
         CopyInto("camctrl.exe", "camctrl.exe") && CopyInto("hookdll.dll", "hookdll.dll");
}

std::vector<std::string> RecordedCommandLines() {
  std::vector<std::string> lines;
  auto bytes = ReadFileBytes(TrayPath("commands.txt"));
  if (!bytes) return lines;
  std::string text(bytes->begin(), bytes->end());
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::string WordOfCommandLine(const std::string& line) {
  if (line.empty() || line[0] != '"') return "<unquoted>";
  const size_t close = line.find('"', 1);
  if (close == std::string::npos || close + 1 >= line.size() || line[close + 1] != ' ')
    return "<unquoted>";
  return line.substr(close + 2);
}

std::vector<std::string> RecordedWords() {
  std::vector<std::string> words;
  for (const auto& line : RecordedCommandLines()) words.push_back(WordOfCommandLine(line));
  return words;
}

int CountWord(const std::string& word) {
  int count = 0;
  for (const auto& recorded : RecordedWords()) count += recorded == word ? 1 : 0;
  return count;
}

bool WaitForWordCount(const std::string& word, int count, DWORD timeout_ms) {
  return WaitUntil([&] { return CountWord(word) >= count; }, timeout_ms);
}

Process StartQuickdock() {
  return StartProgram(TrayPath("quickdock.exe"), "", TrayFolder());
}

HWND WaitForQuickdockWindow(DWORD process_id, DWORD timeout_ms) {
  return WaitForWindow(kQuickdockClass, kQuickdockClass, timeout_ms, process_id);
}

std::vector<HWND> VisibleWindows(DWORD process_id, const char* class_name) {
  ProcessWindowQuery query = {process_id, class_name, {}};
  EnumWindows(MatchVisibleWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

// The toolbox is the dialog without controls; message boxes and the About box have some.
HWND FindToolbox(DWORD process_id) {
  for (HWND dialog : VisibleWindows(process_id, "#32770"))
    if (ChildWindows(dialog).empty()) return dialog;
  return nullptr;
}

HWND FindAboutBox(DWORD process_id) {
  for (HWND dialog : VisibleWindows(process_id, "#32770"))
    if (!ChildWindows(dialog).empty() && WindowText(dialog).empty()) return dialog;
  return nullptr;
}

HWND WaitForToolbox(DWORD process_id, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindToolbox(process_id)) != nullptr; }, timeout_ms);
  return found;
}

RECT WindowRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

bool Xdo(const std::string& arguments) {
  static int sequence = 0;
  const std::string folder = XdoFolder();
  if (folder.empty()) return false;
  const std::string name =
      folder + "\\" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++sequence);
  if (!WriteFileBytes(name + ".tmp", arguments.data(), arguments.size())) return false;
  if (!MoveFileA((name + ".tmp").c_str(), (name + ".req").c_str())) return false;
  if (!WaitForFile(name + ".done", 10000)) return false;
  auto status = ReadFileBytes(name + ".done");
  DeleteFileA((name + ".done").c_str());
  return status && !status->empty() && (*status)[0] == '0';
}

bool XdoAvailable() { return !XdoFolder().empty(); }

bool MovePointer(int x, int y) {
  return Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y));
}

bool ClickAt(int x, int y, int button) {
  if (!MovePointer(x, y)) return false;
  Sleep(100);  // the window sees the move before the click
  return Xdo("click " + std::to_string(button));
}

HWND WaitForPopupMenu(DWORD process_id, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindVisibleWindow(process_id, "#32768")) != nullptr; },
            timeout_ms);
  return found;
}

DriverKeyScope::DriverKeyScope() {
  // The simulated camera writes its driver key when it is registered or bound; without it
  // the test provides an instance of its own, as the driver would.
  if (!InstanceKeyPath().empty()) return;
  own_instance_ = true;
  WriteDword(HKEY_LOCAL_MACHINE, kDriverKey, "InstanceIndex", kTestInstance);
  WriteText(HKEY_LOCAL_MACHINE, kDriverKey, kTestInstanceValue,
            std::string("\\REGISTRY\\MACHINE\\") + kTestInstanceKey);
}

DriverKeyScope::~DriverKeyScope() {
  SetSnapshotState(2);
  if (!own_instance_) return;
  DeleteValue(HKEY_LOCAL_MACHINE, kDriverKey, "InstanceIndex");
  DeleteValue(HKEY_LOCAL_MACHINE, kDriverKey, kTestInstanceValue);
  DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\KvoTrayTest");
}

// The instance key the driver key names now: its "ii%04d" value without the kernel prefix.
std::string DriverKeyScope::InstanceKeyPath() {
  auto index = ReadValue(HKEY_LOCAL_MACHINE, kDriverKey, "InstanceIndex");
  if (!index || !index->AsDword()) return std::string();
  char name[16];
  std::snprintf(name, sizeof(name), "ii%04u", static_cast<unsigned>(*index->AsDword()));
  auto path = ReadValue(HKEY_LOCAL_MACHINE, kDriverKey, name);
  if (!path || path->AsText().size() <= 18) return std::string();
  return path->AsText().substr(18);
}

bool DriverKeyScope::SetSnapshotState(DWORD state) {
  const std::string instance = InstanceKeyPath();
  return !instance.empty() && WriteDword(HKEY_LOCAL_MACHINE, instance, "SnapShotState", state);
}

}  // namespace kvo::test
