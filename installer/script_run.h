// What one command line of the chosen block does, decided in plain C++: the installer
// hands every effect (a program started, a file copied, a device changed, a line listed)
// to a ScriptActions, the platform's in installer.cpp, a recording one in the tests. The
// value and hardware-id list rules of the driver commands live here as well.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kvo::fitdrv {

// The effects a command line can have on the system.
class ScriptActions {
 public:
  virtual ~ScriptActions() = default;

  // Programs and the user.
  virtual void StartProgram(const std::string& command_line) = 0;
  virtual void StartAndWait(const std::string& program, const std::string& command_line) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void Pause(unsigned milliseconds) = 0;
  // Asks whether to restart; a Yes restarts.
  virtual void Boot() = 0;
  virtual void List(const std::string& line) = 0;

  // Files, and the removal record of a file the run created.
  virtual void CopyOneFile(const std::string& from, const std::string& to) = 0;
  virtual void MoveOneFile(const std::string& from, const std::string& to) = 0;
  virtual void WriteIniValue(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& value) = 0;
  virtual void WriteRecord(const std::string& path) = 0;

  // Devices (DeviceOperations on the platform).
  virtual bool InstallForPresentDevice(const std::string& inf, const std::string& id) = 0;
  virtual bool CreateDeviceAndInstall(const std::string& inf, const std::string& id) = 0;
  virtual void DeleteEnumerationKey(const std::string& id) = 0;
  // The OEM INF name after the copy (its earlier value when the copy failed).
  virtual std::string CopyOemInf(const std::string& inf) = 0;
  virtual void RemoveMatchingDevices(const std::string& id) = 0;
  virtual void RescanHardware() = 0;
  virtual void ChangeStateOfMatchingDevices(const std::string& id, bool enable) = 0;
};

// Carries out one command line; false when it ends the run (boot).
bool ExecuteScriptLine(const std::string& line, const std::string& windows_dir,
                       ScriptActions& actions);

// The entries of a hardware-id list as a device reports it: NUL-terminated texts ending
// with an empty one, read only within size bytes whatever the list lacks.
std::vector<std::string> HardwareIdEntries(const char* list, std::size_t size);

// The one-entry hardware-id list given to a new device: the id, cut so that two NULs
// always end the list of kHardwareIdListBytes; the id ends at its first NUL.
constexpr std::size_t kHardwareIdListBytes = 128;
std::vector<char> OneEntryHardwareIdList(const std::string& hardware_id);

// The bytes of a registry value kept under another name: as read, except that a text
// (REG_SZ, REG_EXPAND_SZ) leaves out its terminating NUL.
std::string BytesToKeep(bool text_type, std::string read);

// The uninstall command written over the old one: "UnFitdrv.exe " and the argument, cut to
// fit kUninstallStringBytes with its NUL; the argument ends at its first NUL.
constexpr std::size_t kUninstallStringBytes = 260;
std::string UninstallCommand(const std::string& argument);

}  // namespace kvo::fitdrv
