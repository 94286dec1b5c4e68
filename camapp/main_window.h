// TKVO_CM_MAIN: the camera application's main window. It exists from the start of the
// first instance on, also while hidden, and receives every relayed command message.
#pragma once

#include <windows.h>

#include <string>

namespace kvo {

constexpr char kMainWindowClass[] = "TKVO_CM_MAIN";
constexpr UINT_PTR kParameterTimerId = 1;
constexpr UINT kParameterTimerInterval = 50;

class TKVO_CM_MAIN {
 public:
  // command_word is argument 1 of this instance's command line; the window starts hidden
  // unless it is empty.
  TKVO_CM_MAIN(HINSTANCE instance, std::string command_word);
  TKVO_CM_MAIN(const TKVO_CM_MAIN&) = delete;
  TKVO_CM_MAIN& operator=(const TKVO_CM_MAIN&) = delete;
  ~TKVO_CM_MAIN();

  // Registers the class and creates the window; false when the platform refuses.
  bool Create();
  HWND hwnd() const { return hwnd_; }

  bool ExitRequested = false;
  bool StartupCommandDone = false;

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                           LPARAM lparam);
  LRESULT MainWindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleCommandMessage(UINT message);

  void ParameterTimerTimer();
  void StartParameterTimer();
  void StopParameterTimer();
  void RunStartupCommand();
  void WriteAppStatusReady();
  void RequestExit();
  void FormCloseQuery();
  void ShowMainWindow();

  HINSTANCE instance_;
  std::string command_word_;
  HWND hwnd_ = nullptr;
  bool command_busy_ = false;
};

// Shows an error raised inside an operation, captioned with the application title.
void ShowApplicationError(HWND owner, const char* message);

}  // namespace kvo
