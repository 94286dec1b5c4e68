#include "setup_e2e_support.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <wrl/client.h>

#include <vector>

#include "camapp_e2e_support.h"
#include "wide_text.h"

namespace kvo::test {

namespace {

constexpr DWORD kLauncherTimeout = 30000;
constexpr DWORD kUninstallTimeout = 120000;
constexpr DWORD kSuiteTimeout = 30000;
constexpr int kStillAttempts = 6;
constexpr DWORD kStillTimeout = 8000;

// The processes that the process with this id started.
std::vector<DWORD> ChildrenOf(DWORD parent_id) {
  std::vector<DWORD> children;
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) {
    snapshot.release();
    return children;
  }
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID == parent_id) children.push_back(entry.th32ProcessID);
  }
  return children;
}

void CollectFiles(const std::string& root, const std::string& relative,
                  std::set<std::string>* files) {
  const std::string folder = relative.empty() ? root : root + "\\" + relative;
  WIN32_FIND_DATAA found = {};
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = relative.empty() ? name : relative + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CollectFiles(root, path, files);
    } else {
      files->insert(path);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

bool IsMessageBox(HWND window) { return GetDlgItem(window, 0xFFFF) != nullptr; }

struct BoxQuery {
  DWORD process_id;
  HWND wizard;
  HWND found;
};

BOOL CALLBACK MatchSetupBox(HWND window, LPARAM parameter) {
  auto* query = reinterpret_cast<BoxQuery*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != query->process_id || window == query->wizard || !IsWindowVisible(window) ||
      ClassName(window) != "#32770" || !IsMessageBox(window)) {
    return TRUE;
  }
  query->found = window;
  return FALSE;
}

// Windows path of a file of the Linux tree under Wine ("/a/b" -> "Z:\a\b"); other paths
// are returned as they are.
std::string WinePathOf(const std::string& unix_path) {
  if (unix_path.empty() || unix_path[0] != '/') return unix_path;
  std::string result = "Z:" + unix_path;
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

}  // namespace

std::string SetupProgram() { return WinePathOf(KVO_SETUP_PROGRAM_PATH); }

std::string KnownFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
    return std::string();
  return path;
}

std::string StartMenuFolder() { return KnownFolder(CSIDL_PROGRAMS) + "\\Oculetto"; }

std::optional<DWORD> RunSetup(const std::string& arguments, DWORD timeout_ms) {
  return RunProgram(SetupProgram(), arguments, timeout_ms);
}

std::optional<DWORD> RunUninstaller(const std::string& uninstaller,
                                    const std::string& arguments) {
  Process launcher = StartProgram(uninstaller, arguments);
  if (!launcher.Wait(kLauncherTimeout)) return std::nullopt;
  const std::vector<DWORD> children = ChildrenOf(launcher.id());
  if (children.size() != 1) return std::nullopt;
  UniqueHandle copy(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, children.front()));
  if (!copy || WaitForSingleObject(copy.get(), kUninstallTimeout) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(copy.get(), &code)) return std::nullopt;
  return code;
}

std::set<std::string> FilesBelow(const std::string& folder) {
  std::set<std::string> files;
  CollectFiles(folder, std::string(), &files);
  return files;
}

bool SameBytes(const std::string& a, const std::string& b) {
  auto first = ReadFileBytes(a);
  auto second = ReadFileBytes(b);
  return first && second && *first == *second;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::string& path) {
  if (FolderExists(path)) {
    RemoveFolderTree(path);
  } else {
    DeleteFileA(path.c_str());
  }
}

HWND StartInstalledSuite(const std::string& folder, Process* quickdock) {
  *quickdock = StartProgram(folder + "\\quickdock.exe", "", folder);
  if (!quickdock->started()) return nullptr;
  HWND main = WaitForWindow(kCameraWindowClass, nullptr, kSuiteTimeout);
  if (main == nullptr) return nullptr;
  if (!WaitUntil([] { return AppStatus() == "Y"; }, kSuiteTimeout)) return nullptr;
  return main;
}

std::string ProgramOfWindow(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_id));
  if (snapshot.get() == INVALID_HANDLE_VALUE) {
    snapshot.release();
    return std::string();
  }
  MODULEENTRY32 module = {};
  module.dwSize = sizeof(module);
  // The first module of a process is its program.
  if (!Module32First(snapshot.get(), &module)) return std::string();
  return module.szExePath;
}

bool SuiteRunning() {
  return FindTopWindow(kTrayWindowClass, nullptr) != nullptr ||
         FindTopWindow(kCameraWindowClass, nullptr) != nullptr;
}

bool EndSuiteAsTrayExit() {
  HWND tray = FindTopWindow(kTrayWindowClass, nullptr);
  if (tray == nullptr) return false;
  PostMessageA(tray, WM_CLOSE, 0, 0);
  return WaitUntil([] { return !SuiteRunning(); }, kSuiteTimeout);
}

bool TakeStill(const std::string& folder, const std::string& still) {
  for (int attempt = 0; attempt < kStillAttempts; ++attempt) {
    if (!RunProgram(folder + "\\KVO_MAIN.exe", "SnapShot")) return false;
    // The camera application holds the file without sharing until it is written.
    if (WaitForFile(still, kStillTimeout))
      return WaitUntil([&] { return DecodeJpegFile(still).has_value(); }, kStillTimeout);
  }
  return false;
}

std::optional<Shortcut> ReadShortcut(const std::string& path) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::optional<Shortcut> result;
  {
    Microsoft::WRL::ComPtr<IShellLinkA> link;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    char target[MAX_PATH] = {};
    char working[MAX_PATH] = {};
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IShellLinkA,
                                   reinterpret_cast<void**>(link.GetAddressOf()))) &&
        SUCCEEDED(link.As(&file)) &&
        SUCCEEDED(file->Load(AnsiToWide(path.c_str()).c_str(), STGM_READ)) &&
        SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
        SUCCEEDED(link->GetWorkingDirectory(working, MAX_PATH))) {
      result = Shortcut{target, working};
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}

bool SetupWizard::Appear(DWORD timeout_ms) {
  // The wizard is the dialog with a Back button (id 3); a message box has none.
  WaitUntil(
      [&] {
        HWND found = FindTopWindow("#32770", nullptr, process_id_);
        if (found != nullptr && GetDlgItem(found, 3) != nullptr && IsWindowVisible(found))
          window_ = found;
        return window_ != nullptr;
      },
      timeout_ms);
  return window_ != nullptr;
}

HWND SetupWizard::WaitForChild(const std::function<bool(HWND)>& wanted,
                               DWORD timeout_ms) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND child : ChildWindows(window_)) {
          if (IsWindowVisible(child) && wanted(child)) {
            found = child;
            return true;
          }
        }
        return false;
      },
      timeout_ms);
  return found;
}

HWND SetupWizard::WaitForControl(int id, DWORD timeout_ms) const {
  return WaitForChild([id](HWND child) { return GetDlgCtrlID(child) == id; }, timeout_ms);
}

HWND SetupWizard::WaitForControlText(const char* text, DWORD timeout_ms) const {
  return WaitForChild([text](HWND child) { return WindowText(child) == text; }, timeout_ms);
}

bool SetupWizard::Press(const char* button_text, DWORD timeout_ms) const {
  HWND next = GetDlgItem(window_, IDOK);
  if (next == nullptr) return false;
  if (!WaitUntil([&] { return WindowText(next) == button_text && IsWindowEnabled(next); },
                 timeout_ms)) {
    return false;
  }
  return PressButton(window_, IDOK);
}

std::string SetupWizard::AnswerMessageBox(int button, DWORD timeout_ms) const {
  BoxQuery query = {process_id_, window_, nullptr};
  WaitUntil(
      [&] {
        query.found = nullptr;
        EnumWindows(MatchSetupBox, reinterpret_cast<LPARAM>(&query));
        return query.found != nullptr;
      },
      timeout_ms);
  if (query.found == nullptr) return std::string();
  const std::string text = MessageBoxText(query.found);
  PressButton(query.found, button);
  WaitUntil([&] { return !IsWindow(query.found); }, timeout_ms);
  return text;
}

}  // namespace kvo::test
