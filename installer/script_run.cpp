#include "script_run.h"

#include <algorithm>

#include "script.h"

namespace kvo::fitdrv {

namespace {

// The hardware id a driver command acts on; null for a command without one.
const std::string* HardwareIdArgument(Command command, const std::string& first,
                                      const std::string& second) {
  switch (command) {
    case Command::kInstallDriver:
    case Command::kUpdateDriver:
    case Command::kUpdateLegacyDriver:
      return &second;
    case Command::kRemoveDriver:
    case Command::kEnable:
    case Command::kDisable:
      return &first;
    default:
      return nullptr;
  }
}

void ExecuteDriverCommand(Command command, const std::string& first, const std::string& second,
                          ScriptActions& actions) {
  const std::string* hardware_id = HardwareIdArgument(command, first, second);
  if (hardware_id != nullptr && !NamesDeviceBelowEnumerator(*hardware_id)) {
    actions.List(RefusedHardwareIdLine(*hardware_id));
    return;
  }
  switch (command) {
    case Command::kInstallDriver:
    case Command::kUpdateDriver:
      if (!actions.InstallForPresentDevice(first, second)) {
        actions.List("Delete device info !");
        actions.DeleteEnumerationKey(second);
        if (command == Command::kInstallDriver) {
          actions.List("Copy OEM Inf !");
          actions.WriteRecord(actions.CopyOemInf(first));
        }
      }
      break;
    case Command::kUpdateLegacyDriver:
      actions.List("UpdateLegacyDriver");
      if (!actions.CreateDeviceAndInstall(first, second)) {
        actions.List("Update Legacy Driver fail !");
      }
      break;
    case Command::kCopyOemInf:
      actions.List("CopyOEMInf");
      actions.WriteRecord(actions.CopyOemInf(first));
      break;
    case Command::kRemoveDriver:
      actions.RemoveMatchingDevices(first);
      break;
    case Command::kRefreshDriver:
      actions.RescanHardware();
      break;
    case Command::kEnable:
    case Command::kDisable:
      actions.ChangeStateOfMatchingDevices(first, command == Command::kEnable);
      break;
    default:
      break;
  }
}

}  // namespace

bool ExecuteScriptLine(const std::string& line, const std::string& windows_dir,
                       ScriptActions& actions) {
  const KeyValue parsed = ParseLine(line);
  const std::vector<std::string> arguments = SplitArguments(parsed.value);
  const std::string first = ArgumentAt(arguments, 0);
  const std::string second = ArgumentAt(arguments, 1);
  const Command command = CommandFromKeyword(parsed.key);
  switch (command) {
    case Command::kRun:
      actions.StartProgram(parsed.value);
      break;
    case Command::kRunWait:
      actions.StartAndWait(first, RunWaitCommandLine(first, second));
      break;
    case Command::kMessage:
      actions.ShowMessage(parsed.value);
      break;
    case Command::kBoot:
      actions.Boot();
      return false;
    case Command::kRegistry:
      // The editor's own name is not repeated: its arguments start after the blank.
      actions.StartAndWait(windows_dir + "\\regedit.exe", " -s " + parsed.value);
      break;
    case Command::kCopy:
      actions.CopyOneFile(first, second);
      actions.WriteRecord(second);
      break;
    case Command::kDelay: {
      const int milliseconds = ParseDecimal(first);
      actions.Pause(milliseconds > 0 ? static_cast<unsigned>(milliseconds) : 0);
      break;
    }
    case Command::kCopyToWinDir: {
      const std::string destination = windows_dir + "\\" + second;
      actions.CopyOneFile(first, destination);
      actions.WriteRecord(destination);
      break;
    }
    case Command::kUpdateIni:
      actions.WriteIniValue(first, second, ArgumentAt(arguments, 2), ArgumentAt(arguments, 3));
      break;
    case Command::kRename:
      actions.MoveOneFile(first, second);
      break;
    case Command::kIllegal:
      // The line is data: it is joined to the text, never used as a format.
      actions.List("Illegal Command " + line + " !");
      break;
    default:
      ExecuteDriverCommand(command, first, second, actions);
      break;
  }
  return true;
}

std::vector<std::string> HardwareIdEntries(const char* list, std::size_t size) {
  std::vector<std::string> entries;
  if (list == nullptr) return entries;
  std::size_t start = 0;
  while (start < size && list[start] != '\0') {
    std::size_t end = start;
    while (end < size && list[end] != '\0') ++end;
    entries.emplace_back(list + start, end - start);
    start = end + 1;
  }
  return entries;
}

std::vector<char> OneEntryHardwareIdList(const std::string& hardware_id) {
  std::vector<char> list(kHardwareIdListBytes, '\0');
  // The id ends at its first NUL, as the text handed to the platform does.
  const std::size_t length = std::min(hardware_id.find('\0'), hardware_id.size());
  const std::size_t kept = std::min(length, kHardwareIdListBytes - 2);
  std::copy(hardware_id.begin(), hardware_id.begin() + kept, list.begin());
  return list;
}

std::string BytesToKeep(bool text_type, std::string read) {
  if (text_type && !read.empty() && read.back() == '\0') read.pop_back();
  return read;
}

std::string UninstallCommand(const std::string& argument) {
  std::string command = "UnFitdrv.exe " + argument.substr(0, argument.find('\0'));
  if (command.size() > kUninstallStringBytes - 1) command.resize(kUninstallStringBytes - 1);
  return command;
}

}  // namespace kvo::fitdrv
