// What the tray companion's end-to-end tests and benchmark share: a program folder with a
// blank in its name holding quickdock.exe, the recorder as KVO_MAIN.exe and the testbed's
// camctrl.exe and hookdll.dll; the recorded command words; real X input through xdotool;
// and the driver's snapshot key.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "e2e.h"

namespace kvo::test {

constexpr char kQuickdockImage[] = "quickdock.exe";
constexpr char kQuickdockClass[] = "KVO_CM_Quickdock";
constexpr UINT kTrayNotify = WM_USER + 1;

// The program folder "<bin>\tray case".
std::string TrayFolder();
std::string TrayPath(const std::string& file);

// Fills the folder afresh: quickdock.exe, KVO_MAIN.exe (the recorder), the camera-library
// stand-in as kvocmdll.dll, camctrl.exe, hookdll.dll. No CMREG.reg, no records.
bool PrepareTrayFolder();

// The command lines the recorder was started with, in order.
std::vector<std::string> RecordedCommandLines();
// The word of a recorded line: what follows the quoted program path and one blank; a line
// whose program path is not quoted yields "<unquoted>".
std::string WordOfCommandLine(const std::string& line);
std::vector<std::string> RecordedWords();
int CountWord(const std::string& word);
bool WaitForWordCount(const std::string& word, int count, DWORD timeout_ms);

// quickdock started from the tray folder, with that folder as working directory.
Process StartQuickdock();
HWND WaitForQuickdockWindow(DWORD process_id, DWORD timeout_ms);
std::vector<HWND> VisibleWindows(DWORD process_id, const char* class_name);
// The toolbox: the visible dialog of the process without controls.
HWND FindToolbox(DWORD process_id);
// The About box: a visible dialog without caption that holds a control.
HWND FindAboutBox(DWORD process_id);
HWND WaitForToolbox(DWORD process_id, DWORD timeout_ms);
RECT WindowRect(HWND window);

// Runs xdotool with these arguments on the test's display; false when no agent answers
// (the test was not started through run-with-xdotool.sh) or xdotool failed.
bool Xdo(const std::string& arguments);
bool XdoAvailable();
bool MovePointer(int x, int y);
bool ClickAt(int x, int y, int button = 1);

// A visible pop-up menu of the process, or null.
HWND WaitForPopupMenu(DWORD process_id, DWORD timeout_ms);

// The snapshot state in the driver's instance key, as the driver sets it when its button is
// pressed; the state goes back to 2 when the scope ends.
class DriverKeyScope {
 public:
  DriverKeyScope();
  ~DriverKeyScope();
  // Writes the state into the instance key the driver key names at this moment.
  bool SetSnapshotState(DWORD state);

 private:
  static std::string InstanceKeyPath();
  bool own_instance_ = false;
};

}  // namespace kvo::test
