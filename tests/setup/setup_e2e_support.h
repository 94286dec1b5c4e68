// What the setup program's scenarios need: the setup program of this build tree, the
// folders and keys it writes, the installed suite's processes, shortcuts read back through
// the shell, and the pages of an interactive setup.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "e2e.h"

namespace kvo::test {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Oculetto";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValue[] = "Oculetto";
constexpr char kTrayWindowClass[] = "KVO_CM_Quickdock";
constexpr char kCameraWindowClass[] = "TKVO_CM_MAIN";

// The setup program this tree built, as a Windows path; empty when none was built.
std::string SetupProgram();
std::string KnownFolder(int csidl);
std::string StartMenuFolder();  // the user's Start-menu folder of the suite

// Runs setup with the arguments and waits for its end; nullopt when it did not end in time.
std::optional<DWORD> RunSetup(const std::string& arguments, DWORD timeout_ms = 120000);
// Runs an installed uninstaller as a user does. It copies itself to the temporary folder,
// starts the copy and ends at once (so that the copy can delete it): this waits for the
// copy and returns its exit code.
std::optional<DWORD> RunUninstaller(const std::string& uninstaller, const std::string& arguments);

// Every file below folder, as paths relative to it.
std::set<std::string> FilesBelow(const std::string& folder);
bool SameBytes(const std::string& a, const std::string& b);
bool FolderExists(const std::string& path);
void RemoveTree(const std::string& path);

// Starts quickdock.exe from folder (also its working folder) and waits until the camera
// application it starts with "NoShow" takes commands; returns its main window.
HWND StartInstalledSuite(const std::string& folder, Process* quickdock);
// The path of the program that runs the window.
std::string ProgramOfWindow(HWND window);
bool SuiteRunning();
// Ends the suite as the tray menu's Exit does and waits for both programs to go.
bool EndSuiteAsTrayExit();
// Asks the camera application for stills with "SnapShot" through folder\KVO_MAIN.exe until
// the file appears (the first word may only show the window and start the preview), and
// waits until it reads as a JPEG.
bool TakeStill(const std::string& folder, const std::string& still);

struct Shortcut {
  std::string target;
  std::string working_folder;
};
std::optional<Shortcut> ReadShortcut(const std::string& path);

// An interactive setup's window and the controls of its pages.
class SetupWizard {
 public:
  explicit SetupWizard(DWORD process_id) : process_id_(process_id) {}
  bool Appear(DWORD timeout_ms = 30000);
  HWND window() const { return window_; }
  // A control of the current page (or of the window) with this id, once it is shown.
  HWND WaitForControl(int id, DWORD timeout_ms = 30000) const;
  HWND WaitForControlText(const char* text, DWORD timeout_ms = 30000) const;
  // The Next button (id 1: "Next", "Install", "Finish") once it reads text, then pressed.
  bool Press(const char* button_text, DWORD timeout_ms = 60000) const;
  // A message box of setup over its window; empty text when none came.
  std::string AnswerMessageBox(int button, DWORD timeout_ms = 30000) const;

 private:
  HWND WaitForChild(const std::function<bool(HWND)>& wanted, DWORD timeout_ms) const;

  DWORD process_id_;
  HWND window_ = nullptr;
};

}  // namespace kvo::test
