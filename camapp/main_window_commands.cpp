// The main window's commands: the relayed ones, the start-up command, the program's end and
// the preview switch.
#include <cstring>

#include "command_words.h"
#include "error_box.h"
#include "main_window.h"
#include "settings_key.h"

namespace kvo {

void TKVO_CM_MAIN::RunLockedCommand(UINT message) {
  // A command that arrives while another is being handled, or while an error box is open
  // (message boxes run their own loops), is dropped. A failed command's error box is shown
  // before the lock is let go: the box belongs to that command, and the tray's repeated
  // "View" for a still that cannot be saved must not open one box after another.
  if (CommandBusy || ApplicationErrorShowing()) return;
  CommandBusy = true;
  struct Unlock {
    bool& busy;
    ~Unlock() { busy = false; }
  } unlock{CommandBusy};
  CallGuarded(hwnd(), [&] { RunCommand(message, CommandSource::kRelayed); });
}

void TKVO_CM_MAIN::RunCommand(UINT message, CommandSource source) {
  switch (message) {
    case WM_CMD_SNAPSHOT:
      SnapshotCommand(source);
      break;
    case WM_CMD_RECORD:
      RecordCommand(source);
      break;
    case WM_CMD_VIEW:
      // The start-up "View" saves a pending still whether or not the camera is on.
      if (CameraOn || source == CommandSource::kStartup) SaveSnapshot();
      break;
    case WM_CMD_SHOW:
      ShowCommand();
      break;
    case WM_CMD_SENDMAIL:
      MailCommand(source);
      break;
    default:
      break;
  }
}

bool TKVO_CM_MAIN::FormatDialogShowing() const {
  return direct_show_ && direct_show_->FormatDialogOpen;
}

namespace {

// Cancels a visible dialog of this thread (the panel's stream-format dialog).
BOOL CALLBACK CancelVisibleDialog(HWND window, LPARAM) {
  char class_name[16] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (std::strcmp(class_name, "#32770") == 0 && IsWindowVisible(window)) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
  return TRUE;
}

}  // namespace

void TKVO_CM_MAIN::CloseFormatDialog() {
  // The stream-format dialog runs its own modal loop inside the panel; the program may only
  // end once that loop has returned, or the panel would go on with released interfaces.
  EnumThreadWindows(GetCurrentThreadId(), CancelVisibleDialog, 0);
}

void TKVO_CM_MAIN::ParameterTimerTimer() {
  if (ExitRequested) {
    if (FormatDialogShowing()) {
      CloseFormatDialog();
      return;  // the next tick ends the program once the dialog has gone
    }
    // The normal shutdown: the window is destroyed and the loop ends.
    ParameterTimer.SetEnabled(false);
    DestroyWindow(hwnd());
    return;
  }
  if (StartupCommandDone) {
    ParameterTimer.SetEnabled(false);
    return;
  }
  StartupCommandDone = true;
  // The start-up command is tried once: a failure is shown by the top-level handler and
  // the handshake still completes.
  CallGuarded(hwnd(), [this] { RunStartupCommand(); });
  WriteAppStatusReady();
  if (!ExitRequested) ParameterTimer.SetEnabled(false);
}

// The start-up command runs the handlers of the relayed commands and windows; the empty word,
// "Close", "enable" and "disable" do nothing at start-up.
void TKVO_CM_MAIN::RunStartupCommand() {
  unsigned message = 0;
  if (!FindCommandMessage(command_word_, &message)) return;
  switch (message) {
    case WM_CMD_NOSHOW:
      DirectShow1().Close();  // hidden, with the camera's video stream free
      break;
    case WM_CMD_PROPERTY:
      ShowPropertyForm();
      break;
    case WM_CMD_SETTING:
      ShowSettingForm();
      break;
    case WM_CMD_SNAPSHOT:
    case WM_CMD_RECORD:
    case WM_CMD_VIEW:
    case WM_CMD_SENDMAIL:
      RunCommand(message, CommandSource::kStartup);
      break;
    default:
      break;
  }
}

void TKVO_CM_MAIN::WriteAppStatusReady() {
  SettingsKey key;
  key.WriteText("AppStatusOK", "Y", false);
}

void TKVO_CM_MAIN::RequestExit() {
  ExitRequested = true;
  ParameterTimer.SetEnabled(true);
}

void TKVO_CM_MAIN::ShowSettingForm() {
  if (Settings != nullptr) Settings->ShowOnTop();
}

void TKVO_CM_MAIN::ShowMainWindow() {
  const bool was_hidden = !IsWindowVisible(hwnd());
  ShowWindow(hwnd(), SW_SHOW);
  SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  if (was_hidden) FormShow();
}

void TKVO_CM_MAIN::ShowCameraOffBox() {
  MessageBoxA(hwnd(), kCameraOffText, kCameraOffCaption, MB_OK);
}

void TKVO_CM_MAIN::ShowCommand() {
  ShowMainWindow();
  if (DirectShow1().GetInRecord()) {
    RecBtnClick();
    UpdateRecordingStatus();
  } else if (!DirectShow1().GetReady()) {
    PreviewBtnClick();
  }
}

void TKVO_CM_MAIN::PreviewBtnClick() {
  if (DirectShow1().FormatDialogOpen) return;
  if (DirectShow1().GetReady()) {
    if (DirectShow1().GetInRecord()) RecBtnClick();
    SetEyeGlyph(false);
    DirectShow1().Close();
    RefreshPreviewButton();
  } else {
    OpenPreview();
    if (DirectShow1().GetReady()) {
      SetEyeGlyph(true);
      DirectShow1().Run();
      RefreshPreviewButton();
    }
  }
  UpdateRecordingStatus();
}

void TKVO_CM_MAIN::FormShow() {
  if (command_word_ == "Setting" || command_word_ == "Property") {
    DirectShow1().Close();
    SetEyeGlyph(false);
  } else {
    DirectShow1().Run();
    if (DirectShow1().GetReady()) SetEyeGlyph(true);
  }
  RefreshPreviewButton();
}

void TKVO_CM_MAIN::CloseImgClick() {
  if (DirectShow1().GetInRecord()) RecBtnClick();
  if (DirectShow1().GetReady()) {
    DirectShow1().Close();
    SetEyeGlyph(false);
    RefreshPreviewButton();
  }
  ShowWindow(hwnd(), SW_SHOW);
  ShowWindow(hwnd(), SW_HIDE);
}

bool TKVO_CM_MAIN::FormCloseQuery() {
  if (ExitRequested) return !FormatDialogShowing();
  CloseImgClick();
  return false;
}

}  // namespace kvo
