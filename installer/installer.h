// The installer's run: the script and its header, the block chosen for the running system,
// the command loop with the general commands and the dispatch of the driver commands, the
// removal record file, the log file and the uninstall entry. The dialog owns one Installer
// and hands it the ways to show things (Hooks), so tests can drive a run in-process.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "device_operations.h"
#include "script.h"
#include "script_run.h"
#include "unique_resource.h"

namespace kvo::fitdrv {

constexpr char kDefaultScriptName[] = "Fitdrv.ini";
constexpr char kLogFilePath[] = "c:\\Fitdrv.log";
constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// Where the shell keeps its questions "start the installation?" and "restart now?".
constexpr UINT kShellInstallQuestion = 4272;
constexpr UINT kShellRestartQuestion = 4274;

class Installer {
 public:
  struct Hooks {
    // A progress line for the list box.
    std::function<void(const std::string& line)> list;
    // A message box; returns the button pressed (IDOK, IDYES, IDNO).
    std::function<int(HWND owner, const std::string& text, const std::string& caption,
                      UINT type)>
        message_box;
    // The restart after a boot question answered Yes.
    std::function<void()> restart;
  };

  // Hooks left empty get the platform's behaviour (list: nothing).
  explicit Installer(Hooks hooks);

  // The script from the file named on the command line, else that name in the Windows
  // folder, else Fitdrv.ini in the working directory. False when none can be read.
  bool LoadScript(const std::string& file_name);
  void UseScriptText(const std::string& text);
  // Acts on every header key, lists the OS type and chooses the first command line.
  void Start();
  // Runs the chosen block; false when a boot ended it.
  bool RunCommands(HWND dialog);

  const std::string& product_name() const { return product_name_; }
  int run_mode() const { return run_mode_; }
  int os_kind() const { return os_kind_; }

  static int DetectRunningOsKind();
  // A question from the shell's strings, or one of the same meaning where it has none.
  static std::string ShellQuestion(UINT id);

 private:
  void ActOnHeaderKey(const KeyValue& entry);
  void OpenRecordFile(const std::string& path);
  void WriteRecord(const std::string& path);
  void RouteUninstallEntry(const std::string& product_key, const std::string& argument);
  friend class PlatformScriptActions;
  // False when the command ends the run.
  bool Execute(const std::string& line, HWND dialog);
  void Boot(HWND dialog);
  void List(const std::string& line) const;

  Hooks hooks_;
  std::string windows_dir_;
  std::vector<std::string> lines_;
  std::string product_name_;
  std::string uninstall_product_key_;
  int run_mode_ = 0;
  int os_kind_ = 0;
  std::size_t first_command_line_ = kDefaultFirstCommandLine;
  UniqueFileHandle record_file_;
  DeviceOperations devices_;
};

// The restart of a boot answered Yes: on the NT family only with the shutdown privilege.
void RestartComputer();

}  // namespace kvo::fitdrv
