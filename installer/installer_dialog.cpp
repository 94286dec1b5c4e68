#include "installer_dialog.h"

#include <memory>

#include "error_barrier.h"
#include "installer.h"
#include "resource.h"

namespace kvo::fitdrv {
namespace {

constexpr char kCaption[] = "FitDriver Ver 1.00 for Win2000/XP";
// How long mode 2 leaves the finished run before the dialog ends.
constexpr DWORD kModeTwoPause = 2000;

enum RunMode { kWaitForOk = 0, kAskFirst = 1, kRunAtOnce = 2 };

// The program-wide state of the dialog; the installer runs on the dialog's one thread.
class InstallerDialog {
 public:
  explicit InstallerDialog(std::string command_line) : command_line_(std::move(command_line)) {}

  // Everything happens before the dialog is first shown; modes 1 and 2 end it here.
  void OnInitDialog(HWND dialog) {
    dialog_ = dialog;
    SetWindowTextA(dialog_, kCaption);
    SetIcon(ICON_BIG, SM_CXICON, SM_CYICON);
    SetIcon(ICON_SMALL, SM_CXSMICON, SM_CYSMICON);
    Installer::Hooks hooks;
    hooks.list = [this](const std::string& line) { List(line); };
    installer_ = std::make_unique<Installer>(std::move(hooks));
    if (!installer_->LoadScript(command_line_)) {
      List("INI file missing !");
      script_missing_ = true;
      return;
    }
    installer_->Start();
    SetDlgItemTextA(dialog_, IDC_PRODUCT_GROUP, installer_->product_name().c_str());
    switch (installer_->run_mode()) {
      case kWaitForOk:
        List("Normal Install !");
        break;
      case kAskFirst:
        if (MessageBoxA(dialog_, Installer::ShellQuestion(kShellInstallQuestion).c_str(),
                        installer_->product_name().c_str(), MB_YESNO) == IDYES) {
          installer_->RunCommands(dialog_);
        }
        EndDialog(dialog_, IDOK);
        break;
      case kRunAtOnce:
        installer_->RunCommands(dialog_);
        Sleep(kModeTwoPause);
        EndDialog(dialog_, IDOK);
        break;
      default:
        break;
    }
  }

  void OnOk() {
    // Without a script there is nothing to run and nothing has succeeded.
    if (script_missing_) return;
    // The boot question has no owner, so OK can be pressed while the run waits for its
    // answer; a second run nested inside the first is never started.
    if (running_) return;
    running_ = true;
    installer_->RunCommands(dialog_);
    running_ = false;
    List("Install Successful !");
  }

 private:
  void SetIcon(WPARAM which, int width_metric, int height_metric) {
    HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_FITDRV), IMAGE_ICON,
                             GetSystemMetrics(width_metric), GetSystemMetrics(height_metric),
                             LR_SHARED);
    SendMessageA(dialog_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }

  void List(const std::string& line) {
    SendDlgItemMessageA(dialog_, IDC_PROGRESS_LIST, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(line.c_str()));
  }

  HWND dialog_ = nullptr;
  std::string command_line_;
  std::unique_ptr<Installer> installer_;
  bool script_missing_ = false;
  bool running_ = false;
};

INT_PTR InstallerDialogMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* owner = reinterpret_cast<InstallerDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      reinterpret_cast<InstallerDialog*>(lparam)->OnInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      if (owner == nullptr) return FALSE;
      if (LOWORD(wparam) == IDOK) {
        owner->OnOk();
        return TRUE;
      }
      if (LOWORD(wparam) != IDCANCEL) return FALSE;
      [[fallthrough]];
    case WM_CLOSE:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK InstallerDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return CallGuarded(dialog, INT_PTR{FALSE},
                     [&] { return InstallerDialogMessage(dialog, message, wparam, lparam); });
}

}  // namespace

INT_PTR RunInstallerDialog(HINSTANCE instance, const std::string& command_line) {
  InstallerDialog installer_dialog(command_line);
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FITDRV), nullptr, InstallerDialogProc,
                         reinterpret_cast<LPARAM>(&installer_dialog));
}

}  // namespace kvo::fitdrv
