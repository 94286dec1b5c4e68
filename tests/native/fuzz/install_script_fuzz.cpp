// The install script as a user's editor may leave it: any bytes, any length, read the way
// a run reads them, line by line through every command parser, then run command by command
// against a recording system (no program, file or device is touched). The same bytes also
// serve as a device's hardware-id list, a registry value kept under another name and the
// argument of the uninstall command.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "script.h"
#include "script_run.h"

using namespace kvo::fitdrv;
using kvo::fuzz::Check;

namespace {

struct Call {
  std::string what;
  std::vector<std::string> arguments;
};

// Records every effect a command line asks for; the device operations answer as told.
class RecordingActions : public ScriptActions {
 public:
  explicit RecordingActions(bool devices_succeed) : devices_succeed_(devices_succeed) {}

  void StartProgram(const std::string& command_line) override { Add("run", {command_line}); }
  void StartAndWait(const std::string& program, const std::string& command_line) override {
    Add("wait", {program, command_line});
  }
  void ShowMessage(const std::string& text) override { Add("message", {text}); }
  void Pause(unsigned milliseconds) override { Add("pause", {std::to_string(milliseconds)}); }
  void Boot() override { Add("boot", {}); }
  void List(const std::string& line) override { Add("list", {line}); }
  void CopyOneFile(const std::string& from, const std::string& to) override {
    Add("copy", {from, to});
  }
  void MoveOneFile(const std::string& from, const std::string& to) override {
    Add("move", {from, to});
  }
  void WriteIniValue(const std::string& file, const std::string& section,
                     const std::string& key, const std::string& value) override {
    Add("ini", {file, section, key, value});
  }
  void WriteRecord(const std::string& path) override { Add("record", {path}); }
  bool InstallForPresentDevice(const std::string& inf, const std::string& id) override {
    Add("install", {inf, id}, id);
    return devices_succeed_;
  }
  bool CreateDeviceAndInstall(const std::string& inf, const std::string& id) override {
    Add("create", {inf, id}, id);
    return devices_succeed_;
  }
  void DeleteEnumerationKey(const std::string& id) override { Add("delete", {id}, id); }
  std::string CopyOemInf(const std::string& inf) override {
    Add("oem", {inf});
    return "oem7.inf";
  }
  void RemoveMatchingDevices(const std::string& id) override { Add("remove", {id}, id); }
  void RescanHardware() override { Add("rescan", {}); }
  void ChangeStateOfMatchingDevices(const std::string& id, bool enable) override {
    Add(enable ? "enable" : "disable", {id}, id);
  }

  std::vector<Call> calls;

 private:
  // A device is only ever acted on by an id below an enumerator.
  void Add(const char* what, std::vector<std::string> arguments,
           const std::string& hardware_id = "USB\\X") {
    Check(NamesDeviceBelowEnumerator(hardware_id));
    calls.push_back({what, std::move(arguments)});
  }

  bool devices_succeed_;
};

constexpr char kWindowsDir[] = "C:\\windows";

bool IsDriverCommand(Command command) {
  return command == Command::kInstallDriver || command == Command::kUpdateDriver ||
         command == Command::kUpdateLegacyDriver || command == Command::kRemoveDriver ||
         command == Command::kEnable || command == Command::kDisable;
}

// What one command line did: the run goes on unless it booted, and each command has the
// effects it stands for, with its arguments as written.
void RunOneLine(const std::string& line, bool devices_succeed, bool& booted) {
  RecordingActions actions(devices_succeed);
  const bool goes_on = ExecuteScriptLine(line, kWindowsDir, actions);
  const KeyValue parsed = ParseLine(line);
  const std::vector<std::string> arguments = SplitArguments(parsed.value);
  const std::string first = ArgumentAt(arguments, 0);
  const std::string second = ArgumentAt(arguments, 1);
  const Command command = CommandFromKeyword(parsed.key);
  const std::vector<Call>& calls = actions.calls;
  Check(goes_on == (command != Command::kBoot));
  Check(calls.size() <= 6);
  booted = !goes_on;
  switch (command) {
    case Command::kBoot:
      Check(calls.size() == 1 && calls[0].what == "boot");
      break;
    case Command::kCopy:
      Check(calls.size() == 2 && calls[0].what == "copy" && calls[0].arguments[1] == second &&
            calls[1].what == "record" && calls[1].arguments[0] == second);
      break;
    case Command::kCopyToWinDir:
      Check(calls.size() == 2 && calls[1].arguments[0] == std::string(kWindowsDir) + "\\" + second);
      break;
    case Command::kDelay: {
      const int wanted = ParseDecimal(first);
      Check(calls.size() == 1 && calls[0].arguments[0] == std::to_string(wanted > 0 ? wanted : 0));
      break;
    }
    case Command::kIllegal:
      Check(calls.size() == 1 && calls[0].what == "list");
      break;
    case Command::kRunWait:
      Check(calls.size() == 1 && calls[0].arguments[0] == first &&
            calls[0].arguments[1] == RunWaitCommandLine(first, second));
      break;
    default:
      break;
  }
  if (IsDriverCommand(command)) {
    const std::string& id = (command == Command::kRemoveDriver || command == Command::kEnable ||
                             command == Command::kDisable)
                                ? first
                                : second;
    if (!NamesDeviceBelowEnumerator(id)) {
      Check(calls.size() == 1 && calls[0].arguments[0] == RefusedHardwareIdLine(id));
    }
  }
  for (const Call& call : calls) {
    if (call.what == "record") Check(RecordLine(call.arguments[0]).size() <= kMaxRecordText + 3);
  }
}

void CheckHardwareIdList(const std::string& bytes) {
  const std::vector<std::string> entries = HardwareIdEntries(bytes.data(), bytes.size());
  std::string joined;
  for (const std::string& entry : entries) {
    Check(!entry.empty() && entry.find('\0') == std::string::npos);
    joined += entry + '\0';
  }
  // The entries are the list's start, read no further than the list.
  Check(bytes.compare(0, joined.size(), joined) == 0 ||
        (joined.size() == bytes.size() + 1 && joined.compare(0, bytes.size(), bytes) == 0));

  const std::vector<char> list = OneEntryHardwareIdList(bytes);
  Check(list.size() == kHardwareIdListBytes && list[list.size() - 1] == '\0' &&
        list[list.size() - 2] == '\0');
  const std::vector<std::string> one = HardwareIdEntries(list.data(), list.size());
  Check(one.size() <= 1);
  if (!one.empty()) Check(bytes.compare(0, one[0].size(), one[0]) == 0);
}

void CheckKeptValues(const std::string& bytes) {
  const std::string kept = BytesToKeep(true, bytes);
  Check(kept == bytes || (kept + '\0') == bytes);
  Check(BytesToKeep(false, bytes) == bytes);
  const std::string command = UninstallCommand(bytes);
  Check(command.size() < kUninstallStringBytes && command.find('\0') == std::string::npos);
  Check(command.rfind("UnFitdrv.exe ", 0) == 0);
  Check(bytes.compare(0, command.size() - 13, command, 13, std::string::npos) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = SplitScriptLines(text);
  if (lines.size() > kMaxScriptLines) __builtin_trap();

  for (const KeyValue& entry : HeaderEntries(lines)) {
    ParseDecimal(entry.value);
    SplitArguments(entry.value);
  }
  const std::size_t first = ChooseFirstCommandLine(lines, OsKindName(7));
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (KindOfLine(lines[i]) != LineKind::kCommand) continue;
    const KeyValue parsed = ParseLine(lines[i]);
    const std::vector<std::string> arguments = SplitArguments(parsed.value);
    CommandFromKeyword(parsed.key);
    const std::string second = ArgumentAt(arguments, 1);
    NamesDeviceBelowEnumerator(ArgumentAt(arguments, 0));
    NamesDeviceBelowEnumerator(second);
    RunWaitCommandLine(ArgumentAt(arguments, 0), second);
    ParseDecimal(ArgumentAt(arguments, 0));
    const std::string record = RecordLine(second);
    // One record line is its text, cut to the longest record, then NUL, CR, LF.
    if (record.size() > kMaxRecordText + 3) __builtin_trap();
  }
  RecordHead(text.substr(0, 300));

  // The chosen block as a run carries it out: comments skipped, up to the next section or
  // a boot. The device operations fail or succeed by the script's length.
  const bool devices_succeed = (size & 1) != 0;
  for (std::size_t i = first; i < lines.size(); ++i) {
    const LineKind kind = KindOfLine(lines[i]);
    if (kind == LineKind::kComment) continue;
    if (kind == LineKind::kSection) break;
    bool booted = false;
    RunOneLine(lines[i], devices_succeed, booted);
    if (booted) break;
  }
  CheckHardwareIdList(text);
  CheckKeptValues(text);
  return 0;
}
