#include "app_entry.h"

#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>

#include "error_box.h"
#include "command_words.h"
#include "main_window.h"
#include "property_form.h"
#include "setting_form.h"
#include "snap_view.h"
#include "settings_key.h"
#include "unique_resource.h"

namespace kvo {

namespace {

// Registers the control classes the windows use from the common controls the program's
// manifest selects, so that they take the system's visual style. ICC_STANDARD_CLASSES makes
// the plain controls (button, edit, list and combo box, static) come from that library too.
void InitCameraApplicationControls() {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                   ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&controls);
}

// A later instance's hand-over: finds the running main window, brings it to the front and
// sends it the message (both parameters 0), waiting until it has been handled.
void RelayCommand(UINT message) {
  HWND running = FindWindowA(kMainWindowClass, nullptr);
  if (running == nullptr) return;
  SetForegroundWindow(running);
  SendMessageA(running, message, 0, 0);
}

void RelayAsLaterInstance(char app_status, const std::string& word) {
  // 'N': the running instance is still starting; the word is dropped.
  if (app_status == 'N') return;
  unsigned message = 0;
  if (FindCommandMessage(word, &message)) RelayCommand(message);
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

void RunFirstInstance(HINSTANCE instance, const SettingsKey& key, const std::string& word) {
  if (word == "Close") return;
  // The thread's apartment outlives every window: the property window's camera handle holds
  // the camera's filter until that window goes, after the main window. (The main window and
  // its capture panel enter the apartment again for themselves; the main window reports a
  // failure to.)
  ComApartment apartment;
  key.WriteText("AppStatusOK", "N", false);
  // The windows in their order: main window, property window, settings window, snapshot
  // viewer; all hidden until the loop runs.
  // The digital zoom outlives both windows that reach it.
  DigitalZoom zoom;
  auto main_window = std::make_unique<TKVO_CM_MAIN>(instance, word);
  if (!main_window->Create()) throw AppError("Cannot create the main window.");
  auto property_form = std::make_unique<TPropertyForm>(instance, zoom, &main_window->Skin());
  if (!property_form->Create()) throw AppError("Cannot create the property window.");
  main_window->PropertyForm = property_form.get();
  main_window->Zoom = &zoom;
  auto setting_form = std::make_unique<TSettingForm>(instance, *main_window,
                                                     &main_window->Skin());
  if (!setting_form->Create()) throw AppError("Cannot create the settings window.");
  setting_form->PropertyForm = property_form.get();
  main_window->Settings = setting_form.get();
  auto snap_view = std::make_unique<TSnapView>(instance, main_window->Skin());
  if (!snap_view->Create()) throw AppError("Cannot create the snapshot viewer.");
  main_window->SnapView = snap_view.get();

  if (word.empty()) main_window->ShowMainWindow();
  RunMessageLoop();
  // The main window goes first: its destruction still reads the other windows.
  main_window.reset();
}

}  // namespace

int RunCameraApplication(HINSTANCE instance, const char* command_line) {
  SettingsKey key;
  if (!key.is_open()) return 0;
  char app_status = 0;
  if (!key.ReadFlag("AppStatusOK", kAppStatusBufferSize, &app_status)) return 0;

  const std::string word = CommandWordOf(command_line);
  UniqueHandle mutex(CreateMutexA(nullptr, TRUE, kInstanceMutexName));
  const bool later_instance = GetLastError() == ERROR_ALREADY_EXISTS;
  if (later_instance) {
    RelayAsLaterInstance(app_status, word);
    return 0;
  }
  // Errors raised inside any window, control or timer of the program end in its one
  // error box.
  SetErrorHandler(&ShowApplicationError);
  try {
    InitCameraApplicationControls();
    RunFirstInstance(instance, key, word);
  } catch (const std::exception& error) {
    ShowApplicationError(nullptr, error.what());
  } catch (...) {
    ShowApplicationError(nullptr, "Unknown error.");
  }
  key.Close();
  if (mutex) ReleaseMutex(mutex.get());
  return 0;
}

}  // namespace kvo
