// The installer's command lines carried out against a recording system, and the value and
// hardware-id list rules of the driver commands: plain functions, run under Wine and
// natively with sanitizers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script.h"
#include "script_run.h"

namespace kvo::fitdrv {
namespace {

// Each effect as one text: "what|argument|argument".
class RecordingActions : public ScriptActions {
 public:
  void StartProgram(const std::string& line) override { Add("run|" + line); }
  void StartAndWait(const std::string& program, const std::string& line) override {
    Add("wait|" + program + "|" + line);
  }
  void ShowMessage(const std::string& text) override { Add("message|" + text); }
  void Pause(unsigned milliseconds) override { Add("pause|" + std::to_string(milliseconds)); }
  void Boot() override { Add("boot"); }
  void List(const std::string& line) override { Add("list|" + line); }
  void CopyOneFile(const std::string& from, const std::string& to) override {
    Add("copy|" + from + "|" + to);
  }
  void MoveOneFile(const std::string& from, const std::string& to) override {
    Add("move|" + from + "|" + to);
  }
  void WriteIniValue(const std::string& file, const std::string& section,
                     const std::string& key, const std::string& value) override {
    Add("ini|" + file + "|" + section + "|" + key + "|" + value);
  }
  void WriteRecord(const std::string& path) override { Add("record|" + path); }
  bool InstallForPresentDevice(const std::string& inf, const std::string& id) override {
    Add("install|" + inf + "|" + id);
    return device_present;
  }
  bool CreateDeviceAndInstall(const std::string& inf, const std::string& id) override {
    Add("create|" + inf + "|" + id);
    return false;
  }
  void DeleteEnumerationKey(const std::string& id) override { Add("delete|" + id); }
  std::string CopyOemInf(const std::string& inf) override {
    Add("oem|" + inf);
    return "oem3.inf";
  }
  void RemoveMatchingDevices(const std::string& id) override { Add("remove|" + id); }
  void RescanHardware() override { Add("rescan"); }
  void ChangeStateOfMatchingDevices(const std::string& id, bool enable) override {
    Add((enable ? "enable|" : "disable|") + id);
  }

  bool device_present = false;
  std::vector<std::string> calls;

 private:
  void Add(const std::string& call) { calls.push_back(call); }
};

std::vector<std::string> RunLines(const std::vector<std::string>& lines, bool device_present,
                             bool* completed = nullptr) {
  RecordingActions actions;
  actions.device_present = device_present;
  bool goes_on = true;
  for (const std::string& line : lines) {
    goes_on = ExecuteScriptLine(line, "C:\\windows", actions);
    if (!goes_on) break;
  }
  if (completed != nullptr) *completed = goes_on;
  return actions.calls;
}

TEST(ScriptRun, EveryCommandAsksTheSystemForItsEffects) {
  bool completed = false;
  const std::vector<std::string> calls = RunLines(
      {"copy = a.txt, \"C:\\Program Files\\kvo\\a.txt\"", "copytowindir = a.dll, b.dll",
       "delay = -5", "delay = 250", "updateini = c:\\a.ini, Sect, Key, Value",
       "rename = a, b", "registry = \"c:\\s.reg\"", "runwait = C:\\cmd.exe, /q",
       "message = done", "bogus = 1", "boot", "message = never"},
      false, &completed);
  const std::vector<std::string> expected = {
      "copy|a.txt|C:\\Program Files\\kvo\\a.txt", "record|C:\\Program Files\\kvo\\a.txt",
      "copy|a.dll|C:\\windows\\b.dll", "record|C:\\windows\\b.dll", "pause|0", "pause|250",
      "ini|c:\\a.ini|Sect|Key|Value", "move|a|b",
      // Blanks outside quotes and the quotes themselves are gone from a command's value.
      "wait|C:\\windows\\regedit.exe| -s c:\\s.reg", "wait|C:\\cmd.exe|\"C:\\cmd.exe\" /q",
      "message|done",
      "list|Illegal Command bogus = 1 !", "boot"};
  EXPECT_EQ(calls, expected);
  EXPECT_FALSE(completed) << "a boot ends the run";
}

TEST(ScriptRun, DriverCommandsActOnlyOnIdsBelowAnEnumerator) {
  const std::string id = "USB\\VID_FEED&PID_CAFE";
  // No such device present: its enumeration data goes and the package is copied instead.
  EXPECT_EQ(RunLines({"installdriver = camera.inf, " + id}, false),
            (std::vector<std::string>{"install|camera.inf|" + id, "list|Delete device info !",
                                      "delete|" + id, "list|Copy OEM Inf !", "oem|camera.inf",
                                      "record|oem3.inf"}));
  EXPECT_EQ(RunLines({"installdriver = camera.inf, " + id}, true),
            (std::vector<std::string>{"install|camera.inf|" + id}));
  EXPECT_EQ(RunLines({"updatelegacydriver = kvotest.inf, " + id, "enable = " + id,
                 "disable = " + id, "removedriver = " + id, "refreshdriver"},
                true),
            (std::vector<std::string>{"list|UpdateLegacyDriver", "create|kvotest.inf|" + id,
                                      "list|Update Legacy Driver fail !", "enable|" + id,
                                      "disable|" + id, "remove|" + id, "rescan"}));
  // A bare enumerator would name a whole branch: refused, with nothing else done.
  for (const std::string line : {"removedriver = USB", "installdriver = a.inf, ROOT",
                                 "enable = ", "updatedriver = a.inf, USB\\\\x"}) {
    const std::vector<std::string> calls = RunLines({line}, false);
    ASSERT_EQ(calls.size(), 1u) << line;
    EXPECT_EQ(calls[0].rfind("list|", 0), 0u) << line;
  }
}

TEST(ScriptRun, HardwareIdListsValuesAndTheUninstallCommand) {
  const std::string list = std::string("USB\\A") + '\0' + "USB\\B" + '\0' + '\0' + "USB\\C";
  EXPECT_EQ(HardwareIdEntries(list.data(), list.size()),
            (std::vector<std::string>{"USB\\A", "USB\\B"}));
  // A list without its final NULs is read only within its size.
  const std::string cut = "USB\\A";
  EXPECT_EQ(HardwareIdEntries(cut.data(), 3), (std::vector<std::string>{"USB"}));
  EXPECT_TRUE(HardwareIdEntries(nullptr, 10).empty());

  const std::vector<char> one = OneEntryHardwareIdList(std::string(300, 'x'));
  ASSERT_EQ(one.size(), kHardwareIdListBytes);
  EXPECT_EQ(HardwareIdEntries(one.data(), one.size()),
            (std::vector<std::string>{std::string(kHardwareIdListBytes - 2, 'x')}));
  const std::vector<char> stops = OneEntryHardwareIdList(std::string("USB\\A") + '\0' + "B");
  EXPECT_EQ(HardwareIdEntries(stops.data(), stops.size()),
            (std::vector<std::string>{"USB\\A"}));

  EXPECT_EQ(BytesToKeep(true, std::string("text") + '\0'), "text");
  EXPECT_EQ(BytesToKeep(true, std::string("a\0\0", 3)), std::string("a\0", 2));
  EXPECT_EQ(BytesToKeep(false, std::string("bin\0", 4)), std::string("bin\0", 4));
  EXPECT_EQ(UninstallCommand("-u"), "UnFitdrv.exe -u");
  EXPECT_EQ(UninstallCommand(std::string(400, 'a')).size(), kUninstallStringBytes - 1);
  EXPECT_EQ(UninstallCommand(std::string("-u") + '\0' + "x"), "UnFitdrv.exe -u");
}

}  // namespace
}  // namespace kvo::fitdrv
