// The tray companion as a whole: one Quickdock owns the hidden main window, its timers, the
// tray icon, the hot keys, the keyboard hook, the device notifications, the settings read at
// start-up and the toolbox. WinMain creates one and runs it.
#pragma once

#include <windows.h>

#include <string>

#include "quickdock_state.h"
#include "toolbox.h"

namespace kvo::tray {

// Starts a registry editor command line hidden, without waiting; false when it cannot start.
bool StartRegistryEditor(const std::string& arguments);

class Quickdock {
 public:
  explicit Quickdock(HINSTANCE instance) : instance_(instance), toolbox_(*this) {}
  Quickdock(const Quickdock&) = delete;
  Quickdock& operator=(const Quickdock&) = delete;
  ~Quickdock();

  // Runs the program from start-up to exit cleanup; returns the exit code.
  int Run();

  QuickdockState& state() { return state_; }
  Toolbox& toolbox() { return toolbox_; }

  // Texts of the string table by id (1..31); an id without text reads as "".
  const char* Text(int id) const;

  // The launcher: a program missing or refused ends this program with an error box.
  bool StartProgram(const char* program, const std::string& argument, bool visible, bool wait);
  // Asks whether to restore the settings; returns only after Yes (No ends the program).
  void RestorePrompt();

  // Command words to the camera application; the guarded one sends nothing while the last
  // command is younger than one tick of the busy timer.
  void SendCommandWord(const char* word, bool visible);
  bool SendBusyGuardedWord(const char* word);

  // Opens the settings key for the toolbox menu's writes; it stays open until the next menu
  // or shutdown.
  void OpenSettingsKeyForMenu();

 private:
  static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam,
                                         LPARAM lparam);
  LRESULT MainWindowMessage(UINT message, WPARAM wparam, LPARAM lparam);

  // Start-up and exit (startup.cpp).
  void LoadTexts();
  bool ProbeCameraLibrary();
  void WriteSettingsBackup();
  void LoadToolboxBitmaps();
  bool ReadTextSetting(const SettingsKey* key, const char* name, std::string* setting);
  void ReadFlagSetting(const SettingsKey* key, const char* name, char* flag);
  void OpenSettingsKeyForStartUp();
  void ReadSettings();
  bool CreateMainWindow();
  void RegisterSessionNotifications();
  void UnregisterSessionNotifications();
  void AddTrayIcon();
  void RemoveTrayIcon();
  void LoadMenus();
  void ShowTrayMenu();
  void ShowAboutBox();
  void OnTrayNotify(LPARAM mouse_message);
  void OnDisplayChange(WPARAM bits_per_pixel);
  void Shutdown();
  void ExitCleanup();
  int RunMessageLoop();
  [[noreturn]] void FatalError(int text_id, const std::string& name);

  // Hot keys, the keyboard hook, the snapshot poll and device switching (commands.cpp).
  void InstallKeyboardHook();
  void HandHookToLibrary();
  void RemoveKeyboardHook();
  void RegisterHotKeys();
  void UnregisterHotKeys();
  void SetInitialDeviceState();
  void RegisterUsbNotifications();
  void UnregisterUsbNotifications();
  void OnHotKey(WPARAM id);
  void PollSnapshotButton();
  void OnSessionChange(WPARAM event);
  void OnDeviceChange(WPARAM event, LPARAM data);
  void ReadRunningDeviceAfterProbe();

  HINSTANCE instance_;
  QuickdockState state_;
  Toolbox toolbox_;
};

}  // namespace kvo::tray
