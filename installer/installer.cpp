#include "installer.h"

#include <setupapi.h>

#include <utility>

namespace kvo::fitdrv {
namespace {

// A script is a few kilobytes; anything past this is not read.
constexpr DWORD kMaxScriptBytes = 8u * 1024 * 1024;
constexpr std::size_t kShellQuestionChars = 255;

bool ReadWholeFile(const std::string& path, std::string& text) {
  if (path.empty()) return false;
  UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE) return false;
  if (size > kMaxScriptBytes) size = kMaxScriptBytes;
  text.assign(size, '\0');
  DWORD read = 0;
  if (size > 0 && !ReadFile(file.get(), text.data(), size, &read, nullptr)) return false;
  text.resize(read);
  return true;
}

std::string WindowsDirectory() {
  char directory[MAX_PATH] = {};
  UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return directory;
}

bool IsNtFamily() { return (GetVersion() & 0x80000000u) == 0; }

// Starts a program shown normally; the process handle is handed back when wanted.
bool StartProcess(const char* program, std::string command_line, UniqueHandle* process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info = {};
  command_line.push_back('\0');  // CreateProcess may write into the command line
  if (!CreateProcessA(program, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  UniqueHandle owned(info.hProcess);
  if (process != nullptr) *process = std::move(owned);
  return true;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// Bytes written exactly as given, a text without NUL included: the registry adds one when
// the given count stops just before a NUL, so the bytes are passed with a non-NUL guard.
LONG WriteBytesAsStored(HKEY key, const char* name, DWORD type, const std::string& stored) {
  std::string bytes = stored;
  bytes.push_back('\xFF');
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(stored.size()));
}

// Copies a value, its bytes and type as they are, to another name of the same key. True
// when there was nothing to copy or the copy is written.
bool SaveValueAs(HKEY key, const char* name, const char* saved_name) {
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  // One spare byte: a value may grow between the two reads, and the guard of the write.
  std::string bytes(static_cast<std::size_t>(size) + 1, '\0');
  DWORD read = size;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                       &read) != ERROR_SUCCESS) {
    return false;
  }
  bytes.resize(read);
  const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
  return WriteBytesAsStored(key, saved_name, type, BytesToKeep(text, bytes)) == ERROR_SUCCESS;
}

bool EnableShutdownPrivilege() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                        token.put())) {
    return false;
  }
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
    return false;
  }
  // Success with ERROR_NOT_ALL_ASSIGNED means the privilege was not granted.
  return AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) &&
         GetLastError() == ERROR_SUCCESS;
}

// Empty when the shell has no such text.
std::string LoadShellString(UINT id) {
  char buffer[kShellQuestionChars + 1] = {};
  UniqueHModule shell(LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!shell) return std::string();
  const int length = LoadStringA(shell.get(), id, buffer, sizeof(buffer));
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string FallbackQuestion(UINT id) {
  return id == kShellInstallQuestion ? "Do you want to start the installation now?"
                                     : "Do you want to restart your computer now?";
}

}  // namespace

void RestartComputer() {
  if (!IsNtFamily()) {
    ExitWindowsEx(EWX_REBOOT, 0);
    return;
  }
  if (EnableShutdownPrivilege()) ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}

Installer::Installer(Hooks hooks)
    : hooks_(std::move(hooks)),
      windows_dir_(WindowsDirectory()),
      os_kind_(DetectRunningOsKind()),
      devices_(windows_dir_) {
  if (!hooks_.message_box) {
    hooks_.message_box = [](HWND owner, const std::string& text, const std::string& caption,
                            UINT type) {
      return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
    };
  }
  if (!hooks_.restart) hooks_.restart = RestartComputer;
}

int Installer::DetectRunningOsKind() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(&version)) return 0;
  return DetectOsKind(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
}

std::string Installer::ShellQuestion(UINT id) {
  const std::string text = LoadShellString(id);
  return text.empty() ? FallbackQuestion(id) : text;
}

bool Installer::LoadScript(const std::string& file_name) {
  std::string text;
  if (ReadWholeFile(file_name, text) || ReadWholeFile(windows_dir_ + "\\" + file_name, text) ||
      ReadWholeFile(kDefaultScriptName, text)) {
    UseScriptText(text);
    return true;
  }
  return false;
}

void Installer::UseScriptText(const std::string& text) { lines_ = SplitScriptLines(text); }

void Installer::Start() {
  for (const KeyValue& entry : HeaderEntries(lines_)) ActOnHeaderKey(entry);
  const std::string os_name = OsKindName(os_kind_);
  List("OS Type = " + os_name);
  first_command_line_ = ChooseFirstCommandLine(lines_, os_name);
}

void Installer::ActOnHeaderKey(const KeyValue& entry) {
  if (EqualsNoCase(entry.key, "Name")) {
    product_name_ = entry.value;
  } else if (EqualsNoCase(entry.key, "Option")) {
    run_mode_ = ParseDecimal(entry.value);
  } else if (EqualsNoCase(entry.key, "OSType")) {
    int kind = ParseDecimal(entry.value);
    if (kind != 0) os_kind_ = kind;
  } else if (EqualsNoCase(entry.key, "Uninstall")) {
    std::vector<std::string> arguments = SplitArguments(entry.value);
    RouteUninstallEntry(ArgumentAt(arguments, 0), ArgumentAt(arguments, 1));
  } else if (EqualsNoCase(entry.key, "UnFitdrv")) {
    OpenRecordFile(entry.value);
  }
}

void Installer::OpenRecordFile(const std::string& path) {
  record_file_.reset();
  if (path.empty()) return;  // no removal records, without complaint
  record_file_.reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!record_file_) return;
  // The file is cut after the head: the tail of an older, longer record would otherwise
  // make the uninstaller act on stale lines.
  if (!WriteAll(record_file_.get(), RecordHead(product_name_)) ||
      !SetEndOfFile(record_file_.get())) {
    record_file_.reset();
  }
}

void Installer::WriteRecord(const std::string& path) {
  if (record_file_) WriteAll(record_file_.get(), RemoveRecord(path));
}

void Installer::RouteUninstallEntry(const std::string& product_key,
                                    const std::string& argument) {
  uninstall_product_key_ = product_key;
  UniqueHKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + product_key).c_str(), 0,
                    KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) {
    return;
  }
  // The old command is kept whole, whatever its length and type; when it cannot be kept,
  // it is not overwritten either.
  if (!SaveValueAs(key.get(), "UninstallString", "UnFitdrv")) return;
  WriteBytesAsStored(key.get(), "UninstallString", REG_SZ, UninstallCommand(argument));
}

bool Installer::RunCommands(HWND dialog) {
  windows_dir_ = WindowsDirectory();
  // The log file is opened and closed around every run; nothing is written to it.
  UniqueFileHandle log(CreateFileA(kLogFilePath, GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  bool completed = true;
  for (std::size_t i = first_command_line_; i < lines_.size(); ++i) {
    LineKind kind = KindOfLine(lines_[i]);
    if (kind == LineKind::kComment) continue;
    if (kind == LineKind::kSection) break;
    if (!Execute(lines_[i], dialog)) {
      completed = false;
      break;
    }
  }
  log.reset();
  record_file_.reset();
  return completed;
}

// The platform's side of a command line: programs, files, the installer's hooks and
// record file, and its DeviceOperations.
class PlatformScriptActions : public ScriptActions {
 public:
  PlatformScriptActions(Installer& installer, HWND dialog)
      : installer_(installer), dialog_(dialog) {}

  void StartProgram(const std::string& command_line) override {
    StartProcess(nullptr, command_line, nullptr);
  }
  void StartAndWait(const std::string& program, const std::string& command_line) override {
    UniqueHandle process;
    if (StartProcess(program.c_str(), command_line, &process)) {
      WaitForSingleObject(process.get(), INFINITE);
    }
  }
  void ShowMessage(const std::string& text) override {
    installer_.hooks_.message_box(dialog_, text, installer_.product_name_, MB_OK);
  }
  void Pause(unsigned milliseconds) override { Sleep(milliseconds); }
  void Boot() override { installer_.Boot(dialog_); }
  void List(const std::string& line) override { installer_.List(line); }
  void CopyOneFile(const std::string& from, const std::string& to) override {
    CopyFileA(from.c_str(), to.c_str(), FALSE);
  }
  void MoveOneFile(const std::string& from, const std::string& to) override {
    MoveFileA(from.c_str(), to.c_str());
  }
  void WriteIniValue(const std::string& file, const std::string& section,
                     const std::string& key, const std::string& value) override {
    WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
  }
  void WriteRecord(const std::string& path) override { installer_.WriteRecord(path); }
  bool InstallForPresentDevice(const std::string& inf, const std::string& id) override {
    return installer_.devices_.InstallForPresentDevice(inf, id);
  }
  bool CreateDeviceAndInstall(const std::string& inf, const std::string& id) override {
    return installer_.devices_.CreateDeviceAndInstall(inf, id);
  }
  void DeleteEnumerationKey(const std::string& id) override {
    installer_.devices_.DeleteEnumerationKey(id);
  }
  std::string CopyOemInf(const std::string& inf) override {
    installer_.devices_.CopyOemInf(inf);
    return installer_.devices_.oem_inf_name();
  }
  void RemoveMatchingDevices(const std::string& id) override {
    installer_.devices_.RemoveMatchingDevices(id);
  }
  void RescanHardware() override { installer_.devices_.RescanHardware(); }
  void ChangeStateOfMatchingDevices(const std::string& id, bool enable) override {
    installer_.devices_.ChangeStateOfMatchingDevices(id, enable ? DICS_ENABLE : DICS_DISABLE);
  }

 private:
  Installer& installer_;
  HWND dialog_;
};

bool Installer::Execute(const std::string& line, HWND dialog) {
  PlatformScriptActions actions(*this, dialog);
  return ExecuteScriptLine(line, windows_dir_, actions);
}

void Installer::Boot(HWND dialog) {
  // The shell's own text opens with words that do not belong to the question; a question
  // of our own is shown whole.
  std::string question = LoadShellString(kShellRestartQuestion);
  const std::size_t skip = IsNtFamily() ? 6 : 2;
  question = question.size() > skip ? question.substr(skip)
                                    : FallbackQuestion(kShellRestartQuestion);
  if (dialog != nullptr) SetForegroundWindow(dialog);
  if (hooks_.message_box(nullptr, question, product_name_, MB_YESNO) == IDYES) {
    hooks_.restart();
  }
}

void Installer::List(const std::string& line) const {
  if (hooks_.list) hooks_.list(line);
}

}  // namespace kvo::fitdrv
