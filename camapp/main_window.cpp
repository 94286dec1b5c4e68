#include "main_window.h"

#include <exception>
#include <utility>

#include "app_error.h"
#include "command_words.h"
#include "settings_key.h"

namespace kvo {

namespace {

constexpr int kDesignedLeft = 434;
constexpr int kDesignedTop = 251;
constexpr int kDesignedClientWidth = 646;
constexpr int kDesignedClientHeight = 523;
constexpr DWORD kMainWindowStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;

bool IsLockedCommand(UINT message) {
  return (message >= WM_CMD_SNAPSHOT && message <= WM_CMD_SENDMAIL) || message == WM_CMD_SHOW;
}

}  // namespace

void ShowApplicationError(HWND owner, const char* message) {
  MessageBoxA(owner, message, kApplicationTitle, MB_OK | MB_ICONERROR);
}

TKVO_CM_MAIN::TKVO_CM_MAIN(HINSTANCE instance, std::string command_word)
    : instance_(instance), command_word_(std::move(command_word)) {}

TKVO_CM_MAIN::~TKVO_CM_MAIN() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool TKVO_CM_MAIN::Create() {
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = StaticWindowProc;
  window_class.hInstance = instance_;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kMainWindowClass;
  if (!RegisterClassExA(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }
  RECT frame = {0, 0, kDesignedClientWidth, kDesignedClientHeight};
  AdjustWindowRect(&frame, kMainWindowStyle, FALSE);
  hwnd_ = CreateWindowExA(WS_EX_APPWINDOW, kMainWindowClass, kApplicationTitle, kMainWindowStyle,
                          kDesignedLeft, kDesignedTop, frame.right - frame.left,
                          frame.bottom - frame.top, nullptr, nullptr, instance_, this);
  if (hwnd_ == nullptr) return false;
  StartParameterTimer();
  if (command_word_.empty()) ShowMainWindow();
  return true;
}

LRESULT CALLBACK TKVO_CM_MAIN::StaticWindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                                LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    auto* window = static_cast<TKVO_CM_MAIN*>(create->lpCreateParams);
    window->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<TKVO_CM_MAIN*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (window == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  // No exception may cross the platform's frames: an operation's error is shown and the
  // window goes on, as the application's top-level handler does.
  try {
    return window->MainWindowProc(message, wparam, lparam);
  } catch (const std::exception& error) {
    ShowApplicationError(hwnd, error.what());
  } catch (...) {
    ShowApplicationError(hwnd, "Unknown error.");
  }
  return 0;
}

LRESULT TKVO_CM_MAIN::MainWindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= WM_CMD_SNAPSHOT && message <= WM_CMD_DISABLE && message != WM_CMD_NOSHOW) {
    return HandleCommandMessage(message);
  }
  switch (message) {
    case WM_TIMER:
      if (wparam == kParameterTimerId) {
        ParameterTimerTimer();
        return 0;
      }
      break;
    case WM_QUERYENDSESSION:
      RequestExit();
      break;  // the default handling answers yes, as the exit is requested
    case WM_CLOSE:
      FormCloseQuery();
      return 0;
    case WM_DESTROY:
      StopParameterTimer();
      if (ExitRequested) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wparam, lparam);
}

LRESULT TKVO_CM_MAIN::HandleCommandMessage(UINT message) {
  if (message == WM_CMD_CLOSE) {
    RequestExit();
    return 0;
  }
  // A command that arrives while another is being handled (a message box runs its own
  // loop) is dropped.
  if (IsLockedCommand(message)) {
    if (command_busy_) return 0;
    command_busy_ = true;
  }
  struct Unlock {
    bool& busy;
    bool locked;
    ~Unlock() {
      if (locked) busy = false;
    }
  } unlock{command_busy_, IsLockedCommand(message)};

  if (message == WM_CMD_SHOW) ShowMainWindow();
  return 0;
}

void TKVO_CM_MAIN::ParameterTimerTimer() {
  if (ExitRequested) {
    // The normal shutdown: the window is destroyed and the loop ends.
    StopParameterTimer();
    DestroyWindow(hwnd_);
    return;
  }
  if (StartupCommandDone) {
    StopParameterTimer();
    return;
  }
  StartupCommandDone = true;
  // The start-up command is tried once: a failure is shown by the top-level handler and
  // the handshake still completes.
  try {
    RunStartupCommand();
  } catch (const std::exception& error) {
    ShowApplicationError(hwnd_, error.what());
  }
  WriteAppStatusReady();
  StopParameterTimer();
}

void TKVO_CM_MAIN::RunStartupCommand() {
  // The snapshot, recording, property and settings operations join the start-up command
  // with the windows that carry them out; the empty word, "Close", "enable", "disable" and
  // unknown words do nothing here.
}

void TKVO_CM_MAIN::WriteAppStatusReady() {
  SettingsKey key;
  key.WriteText("AppStatusOK", "Y", false);
}

void TKVO_CM_MAIN::RequestExit() {
  ExitRequested = true;
  StartParameterTimer();
}

void TKVO_CM_MAIN::FormCloseQuery() {
  if (ExitRequested) {
    DestroyWindow(hwnd_);
    return;
  }
  // Closing by the caption or the system menu only hides the window.
  ShowWindow(hwnd_, SW_HIDE);
}

void TKVO_CM_MAIN::ShowMainWindow() {
  ShowWindow(hwnd_, SW_SHOW);
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void TKVO_CM_MAIN::StartParameterTimer() {
  if (hwnd_ != nullptr) SetTimer(hwnd_, kParameterTimerId, kParameterTimerInterval, nullptr);
}

void TKVO_CM_MAIN::StopParameterTimer() {
  if (hwnd_ != nullptr) KillTimer(hwnd_, kParameterTimerId);
}

}  // namespace kvo
