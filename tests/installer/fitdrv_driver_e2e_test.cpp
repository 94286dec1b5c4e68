// Fitdrv.exe's driver and device commands against the testbed's driver package
// (bin\driverpkg\kvotest.inf for USB\VID_FEED&PID_CAFE), run from the package's folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "e2e.h"
#include "test_devices.h"
#include "wide_text.h"

namespace kvo {
namespace {

using namespace kvo::test;

constexpr char kProgram[] = "Fitdrv.exe";
constexpr char kDialogCaption[] = "FitDriver Ver 1.00 for Win2000/XP";
constexpr char kHardwareId[] = "USB\\VID_FEED&PID_CAFE";
constexpr char kScript[] = "C:\\kvofit_driver.ini";
constexpr char kRecordFile[] = "C:\\kvofit_driver.dat";
constexpr char kEnumerationKey[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_FEED&PID_CAFE";
constexpr DWORD kTimeout = 30000;

std::string WindowsDir() {
  char directory[MAX_PATH] = {};
  GetWindowsDirectoryA(directory, MAX_PATH);
  return directory;
}

std::vector<std::string> ListLines(HWND dialog) {
  return ListBoxLines(GetDlgItem(dialog, 1000));
}

bool KeyExists(const std::string& path) {
  UniqueHKey key;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) ==
         ERROR_SUCCESS;
}

std::string ReadText(const std::string& path) {
  auto bytes = ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<missing>");
}

std::string Record(const std::string& text) { return text + std::string("\0\r\n", 3); }

std::string RecordHead() {
  return Record("[Product]") + Record("Name=KvoCam") + Record("Option=2") +
         Record("Version=2") + Record("");
}

class FitdrvDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillAll(kProgram);
    CleanUp();
  }
  void TearDown() override {
    KillAll(kProgram);
    CleanUp();
  }
  static void CleanUp() {
    RemoveDevicesWithId(kHardwareId);
    DeleteTree(HKEY_LOCAL_MACHINE, kEnumerationKey);
    DeleteFileA(kScript);
    DeleteFileA(kRecordFile);
    DeleteFileA((WindowsDir() + "\\inf\\kvotest.inf").c_str());
    DeleteFileA((WindowsDir() + "\\system32\\drivers\\kvotest.sys").c_str());
  }

  // Runs the block with OK from the package folder and returns the lines the run listed
  // (without "OS Type", "Normal Install !" and "Install Successful !").
  std::vector<std::string> RunBlock(const std::vector<std::string>& block) {
    std::string text = "[Product]\r\nName=KvoCam\r\nUnFitdrv=" + std::string(kRecordFile) +
                       "\r\nOption=0\r\n[Default]\r\n";
    for (const std::string& line : block) text += line + "\r\n";
    EXPECT_TRUE(WriteFileBytes(kScript, text.data(), text.size()));
    Process process = StartProgram(kProgram, kScript, BinPath("driverpkg"));
    EXPECT_TRUE(process.started());
    HWND dialog = WaitForWindow("#32770", kDialogCaption, kTimeout, process.id());
    EXPECT_NE(nullptr, dialog);
    if (dialog == nullptr) return {"<no dialog>"};
    auto last_is = [&](const char* line) {
      std::vector<std::string> lines = ListLines(dialog);
      return !lines.empty() && lines.back() == line;
    };
    EXPECT_TRUE(WaitUntil([&] { return last_is("Normal Install !"); }, kTimeout));
    PressButton(dialog, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return last_is("Install Successful !"); }, kTimeout));
    std::vector<std::string> lines = ListLines(dialog);
    PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(process.Wait(kTimeout));
    if (lines.size() < 3) return {"<run incomplete>"};
    return std::vector<std::string>(lines.begin() + 2, lines.end() - 1);
  }
};

TEST_F(FitdrvDriverTest, LegacyDeviceIsCreatedUpdatedSwitchedAndRemoved) {
  EXPECT_EQ((std::vector<std::string>{"UpdateLegacyDriver"}),
            RunBlock({"updatelegacydriver = kvotest.inf, USB\\VID_FEED&PID_CAFE"}));
  std::vector<SeenDevice> devices = DevicesWithId(kHardwareId);
  ASSERT_EQ(1u, devices.size());
  EXPECT_EQ(0u, devices[0].instance_id.find("ROOT\\")) << devices[0].instance_id;

  // The rescan returns (Wine's configuration manager finds no root node to re-enumerate)
  // and the run goes on.
  EXPECT_TRUE(RunBlock({"refreshdriver", "updatedriver = kvotest.inf, usb\\vid_feed&pid_cafe",
                        "Installdriver = kvotest.inf, USB\\VID_FEED&PID_CAFE"})
                  .empty())
      << "a present device is updated without a line";
  EXPECT_EQ(1u, DevicesWithId(kHardwareId).size());
  EXPECT_EQ(RecordHead(), ReadText(kRecordFile)) << "a successful install records nothing";

  const bool can_change = PlatformChangesDeviceState(kHardwareId);
  EXPECT_TRUE(RunBlock({"disable = USB\\VID_FEED&PID_CAFE"}).empty());
  devices = DevicesWithId(kHardwareId);
  ASSERT_EQ(1u, devices.size());
  if (can_change) {
    EXPECT_NE(0u, devices[0].config_flags & CONFIGFLAG_DISABLED);
  } else {
    std::printf("[ WINE GAP ] no DIF_PROPERTYCHANGE: disable leaves the device as it was\n");
    EXPECT_EQ(0u, devices[0].config_flags & CONFIGFLAG_DISABLED);
  }
  EXPECT_TRUE(RunBlock({"enable = USB\\VID_FEED&PID_CAFE"}).empty());
  devices = DevicesWithId(kHardwareId);
  ASSERT_EQ(1u, devices.size());
  EXPECT_EQ(0u, devices[0].config_flags & CONFIGFLAG_DISABLED);

  EXPECT_TRUE(RunBlock({"removedriver = USB\\VID_FEED&PID_CAFE"}).empty());
  EXPECT_TRUE(DevicesWithId(kHardwareId).empty());
}

TEST_F(FitdrvDriverTest, TwoDevicesWithOneIdAreBothRemoved) {
  EXPECT_EQ((std::vector<std::string>{"UpdateLegacyDriver", "UpdateLegacyDriver"}),
            RunBlock({"updatelegacydriver = kvotest.inf, USB\\VID_FEED&PID_CAFE",
                      "updatelegacydriver = kvotest.inf, USB\\VID_FEED&PID_CAFE"}));
  ASSERT_EQ(2u, DevicesWithId(kHardwareId).size());
  EXPECT_TRUE(RunBlock({"removedriver = usb\\vid_feed&pid_cafe"}).empty());
  EXPECT_TRUE(DevicesWithId(kHardwareId).empty());
}

TEST_F(FitdrvDriverTest, InstallWithoutDeviceWipesEnumerationDataAndStoresThePackage) {
  {
    UniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                              (std::string(kEnumerationKey) + "\\5&1234&0&1\\Device Parameters")
                                  .c_str(),
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
  }
  EXPECT_EQ((std::vector<std::string>{"Delete device info !", "Copy OEM Inf !", "CopyOEMInf"}),
            RunBlock({"Installdriver = kvotest.inf, USB\\VID_FEED&PID_CAFE",
                      "CopyOEMInf = missing.inf"}));
  EXPECT_FALSE(KeyExists(kEnumerationKey));
  const std::string stored = WindowsDir() + "\\inf\\kvotest.inf";
  EXPECT_TRUE(FileExists(stored)) << "Wine keeps the package's own name";
  auto bytes = ReadFileBytes(kRecordFile);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(RecordHead() + Record("[Remove]") + Record(stored) + Record("[Remove]") +
                Record(stored),
            std::string(bytes->begin(), bytes->end()))
      << "a missing INF records the previous name again";
}

TEST_F(FitdrvDriverTest, FailuresAreListedAndAMissingFirstCopyRecordsAnEmptyName) {
  {
    UniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEnumerationKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
  }
  EXPECT_EQ((std::vector<std::string>{"Delete device info !", "UpdateLegacyDriver",
                                      "Update Legacy Driver fail !", "CopyOEMInf"}),
            RunBlock({"updatedriver = kvotest.inf, USB\\VID_FEED&PID_CAFE",
                      "updatelegacydriver = missing.inf, USB\\VID_FEED&PID_CAFE",
                      "CopyOEMInf = missing.inf"}));
  EXPECT_FALSE(KeyExists(kEnumerationKey));
  EXPECT_TRUE(DevicesWithId(kHardwareId).empty());
  EXPECT_FALSE(FileExists(WindowsDir() + "\\inf\\kvotest.inf")) << "updatedriver copies nothing";
  auto bytes = ReadFileBytes(kRecordFile);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(RecordHead() + Record("[Remove]") + Record(""),
            std::string(bytes->begin(), bytes->end()));
}

}  // namespace
}  // namespace kvo
