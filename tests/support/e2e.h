// What end-to-end tests need: start programs and wait for them, find windows and message
// boxes and press their buttons, read and write registry values, wait for files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "unique_resource.h"

namespace kvo::test {

// The folder of the running test program: the build's bin folder, where the suite lies.
std::string BinDir();
std::string BinPath(const std::string& file);

// Polls condition every 20 ms until it holds or timeout_ms passes; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms);

class Process {
 public:
  Process() = default;
  Process(UniqueHandle process, DWORD id) : handle_(std::move(process)), id_(id) {}
  bool started() const { return handle_.valid(); }
  DWORD id() const { return id_; }
  HANDLE handle() const { return handle_.get(); }
  // Waits for the end; false on time-out. The exit code goes to *code.
  bool Wait(DWORD timeout_ms, DWORD* code = nullptr) const;
  bool Running() const;
  void Kill() const;

 private:
  UniqueHandle handle_;
  DWORD id_ = 0;
};

// Starts "program" with the command line text exactly as given (the program path is
// quoted, arguments follow after one blank). working_dir empty: the bin folder.
Process StartProgram(const std::string& program, const std::string& arguments,
              const std::string& working_dir = std::string());
// Starts and waits; returns the exit code or nullopt when it did not end in time.
std::optional<DWORD> RunProgram(const std::string& program, const std::string& arguments,
                         DWORD timeout_ms = 30000);

// Ends every process whose executable has this file name (a test's clean-up).
void KillAll(const char* image_name);

// Top-level windows. class_name or caption may be null (any).
HWND FindTopWindow(const char* class_name, const char* caption, DWORD process_id = 0);
HWND WaitForWindow(const char* class_name, const char* caption, DWORD timeout_ms,
                   DWORD process_id = 0);
std::string WindowText(HWND window);
std::string ClassName(HWND window);
std::vector<HWND> ChildWindows(HWND parent);
HWND FindChildByText(HWND parent, const char* text);

// The lines of a list box, also of another process. Wine hands list box text across
// processes as UTF-16 whatever the caller's character set, so the W messages are used; a
// line too long to read is given as "<too long>".
std::vector<std::string> ListBoxLines(HWND list_box);

// Message boxes: the platform dialog class "#32770" holding a static text.
HWND WaitForMessageBox(const char* caption, DWORD timeout_ms, DWORD process_id = 0);
std::string MessageBoxText(HWND box);
// Presses the button with this id (IDOK, IDYES, ...); false when there is none.
bool PressButton(HWND box, int button_id);

// Registry values as raw bytes, with their type.
struct RegValue {
  DWORD type = 0;
  std::vector<uint8_t> data;
  std::string AsText() const;  // up to the first NUL or the byte count
  std::optional<DWORD> AsDword() const;
};
std::optional<RegValue> ReadValue(HKEY root, const std::string& path, const std::string& name);
bool WriteValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                const void* data, DWORD size);
bool WriteText(HKEY root, const std::string& path, const std::string& name,
               const std::string& text, bool with_nul = true);
bool WriteDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
bool DeleteValue(HKEY root, const std::string& path, const std::string& name);
bool DeleteTree(HKEY root, const std::string& path);

// The shared settings key as the installation leaves it: deleted, then settings.reg
// imported with regedit -s, and ProgPath set to the bin folder.
constexpr char kSettingsPath[] = "Software\\KVO_CM_SW";
bool ResetSettings();
// Imports a .reg file without a question (regedit -s); true when regedit ended with 0.
bool ImportRegFile(const std::string& path);

bool FileExists(const std::string& path);
bool WaitForFile(const std::string& path, DWORD timeout_ms);
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const void* data, size_t size);

}  // namespace kvo::test
