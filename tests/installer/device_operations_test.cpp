// The driver and device operations in-process, against the testbed's driver package
// (bin\driverpkg\kvotest.inf, hardware id USB\VID_FEED&PID_CAFE) and Wine's SetupAPI.
#include <gtest/gtest.h>

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>


#include <cstdio>
#include <cstring>

#include <string>
#include <vector>

#include "device_operations.h"
#include "e2e.h"
#include "test_devices.h"

namespace kvo::fitdrv {
namespace {

using namespace kvo::test;

constexpr char kHardwareId[] = "USB\\VID_FEED&PID_CAFE";
constexpr char kInfName[] = "kvotest.inf";

std::string WindowsDir() {
  char directory[MAX_PATH] = {};
  GetWindowsDirectoryA(directory, MAX_PATH);
  return directory;
}

std::string PackageDir() { return BinPath("driverpkg"); }

bool KeyExists(const std::string& path) {
  UniqueHKey key;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) ==
         ERROR_SUCCESS;
}

bool CreateKey(const std::string& path) {
  UniqueHKey key;
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                         nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

// The state a disable leaves: disabled where the platform can, untouched (and the device
// still there) where it cannot.
void ExpectDisabledWherePossible(bool can_change, const SeenDevice& device) {
  if (can_change) {
    EXPECT_NE(0u, device.config_flags & CONFIGFLAG_DISABLED) << device.instance_id;
  } else {
    std::printf("[ WINE GAP ] no DIF_PROPERTYCHANGE: %s keeps config flags %lu\n",
                device.instance_id.c_str(), device.config_flags);
    EXPECT_EQ(0u, device.config_flags & CONFIGFLAG_DISABLED) << device.instance_id;
  }
}

// One call the operations made to change a device: the parameters of a class installer
// function (state and scope of a state change), or the call of the function itself.
struct DeviceCall {
  bool parameters;
  DI_FUNCTION function;
  std::string instance_id;
  DWORD state_change;
  DWORD scope;
  bool succeeded;
};

std::string InstanceIdOf(HDEVINFO set, SP_DEVINFO_DATA* device) {
  char id[MAX_DEVICE_ID_LEN + 1] = {};
  if (!SetupDiGetDeviceInstanceIdA(set, device, id, sizeof(id), nullptr)) return "<unknown>";
  return id;
}

// Platform calls that are recorded, then carried out.
class RecordedCalls {
 public:
  DeviceChangeCalls Make() {
    DeviceChangeCalls platform = PlatformDeviceChangeCalls();
    DeviceChangeCalls calls = platform;
    calls.set_class_install_params = [this, platform](HDEVINFO set, SP_DEVINFO_DATA* device,
                                                      SP_CLASSINSTALL_HEADER* header,
                                                      DWORD size) {
      const auto* change = reinterpret_cast<const SP_PROPCHANGE_PARAMS*>(header);
      const bool whole = header != nullptr && size >= sizeof(*change);
      const BOOL result = platform.set_class_install_params(set, device, header, size);
      calls_.push_back({true, whole ? header->InstallFunction : 0, InstanceIdOf(set, device),
                        whole ? change->StateChange : 0, whole ? change->Scope : 0,
                        result != FALSE});
      return result;
    };
    calls.call_class_installer = [this, platform](DI_FUNCTION function, HDEVINFO set,
                                                  SP_DEVINFO_DATA* device) {
      const std::string instance_id = InstanceIdOf(set, device);
      const BOOL result = platform.call_class_installer(function, set, device);
      calls_.push_back({false, function, instance_id, 0, 0, result != FALSE});
      return result;
    };
    return calls;
  }
  std::vector<DeviceCall> Take() { return std::move(calls_); }

 private:
  std::vector<DeviceCall> calls_;
};

// A state change asked for each device in turn: its parameters, then (where the platform
// took them) the state change itself.
void ExpectStateChanges(const std::vector<DeviceCall>& calls, DWORD state,
                        const std::vector<SeenDevice>& devices) {
  std::size_t at = 0;
  for (const SeenDevice& device : devices) {
    ASSERT_LT(at, calls.size()) << "no state change asked for " << device.instance_id;
    const DeviceCall& parameters = calls[at++];
    EXPECT_TRUE(parameters.parameters);
    EXPECT_EQ(static_cast<DI_FUNCTION>(DIF_PROPERTYCHANGE), parameters.function);
    EXPECT_EQ(state, parameters.state_change);
    EXPECT_EQ(static_cast<DWORD>(DICS_FLAG_CONFIGSPECIFIC), parameters.scope);
    bool found = false;
    for (const SeenDevice& seen : devices) found |= seen.instance_id == parameters.instance_id;
    EXPECT_TRUE(found) << parameters.instance_id;
    if (!parameters.succeeded) {
      std::printf("[ WINE GAP ] the platform refused the state change parameters\n");
      continue;
    }
    ASSERT_LT(at, calls.size());
    EXPECT_FALSE(calls[at].parameters);
    EXPECT_EQ(static_cast<DI_FUNCTION>(DIF_PROPERTYCHANGE), calls[at].function);
    EXPECT_EQ(parameters.instance_id, calls[at].instance_id);
    ++at;
  }
  EXPECT_EQ(at, calls.size()) << "nothing else was asked";
}

class DeviceOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(MAX_PATH, saved_directory_);
    ASSERT_TRUE(SetCurrentDirectoryA(PackageDir().c_str()));
    RemoveDevicesWithId(kHardwareId);
  }
  void TearDown() override {
    RemoveDevicesWithId(kHardwareId);
    SetCurrentDirectoryA(saved_directory_);
  }

  DeviceOperations operations_{WindowsDir()};
  char saved_directory_[MAX_PATH] = {};
};

TEST_F(DeviceOperationsTest, InfIsFoundInWorkingDirectoryThenInfFolderThenWindowsFolder) {
  const std::string in_inf_folder = WindowsDir() + "\\inf\\kvolocate.inf";
  const std::string in_windows = WindowsDir() + "\\kvolocate.inf";
  const std::string in_both = WindowsDir() + "\\kvolocate2.inf";
  ASSERT_TRUE(CopyFileA(kInfName, in_inf_folder.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(kInfName, in_windows.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(kInfName, in_both.c_str(), FALSE));

  ASSERT_TRUE(operations_.LocateInf(kInfName));
  EXPECT_EQ(PackageDir() + "\\" + kInfName, operations_.inf_path());
  ASSERT_TRUE(operations_.LocateInf("kvolocate.inf"));
  EXPECT_EQ(in_inf_folder, operations_.inf_path()) << "the INF folder comes before Windows";
  ASSERT_TRUE(operations_.LocateInf("kvolocate2.inf"));
  EXPECT_EQ(in_both, operations_.inf_path());
  const std::string absolute = PackageDir() + "\\" + kInfName;
  ASSERT_TRUE(operations_.LocateInf(absolute));
  EXPECT_EQ(absolute, operations_.inf_path());

  EXPECT_FALSE(operations_.LocateInf("missing.inf"));
  EXPECT_EQ(absolute, operations_.inf_path()) << "a failed search keeps the last path";
  EXPECT_FALSE(operations_.LocateInf("")) << "a folder is no INF file";
  EXPECT_FALSE(operations_.LocateInf(std::string(400, 'x'))) << "too long for a path";

  // A drive root as working directory gets no second backslash.
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  ASSERT_TRUE(CopyFileA(absolute.c_str(), "C:\\kvoroot.inf", FALSE));
  ASSERT_TRUE(operations_.LocateInf("kvoroot.inf"));
  EXPECT_EQ("C:\\kvoroot.inf", std::string(operations_.inf_path()));

  DeleteFileA("C:\\kvoroot.inf");
  DeleteFileA(in_inf_folder.c_str());
  DeleteFileA(in_windows.c_str());
  DeleteFileA(in_both.c_str());
}

TEST_F(DeviceOperationsTest, LegacyDeviceIsCreatedUpdatedDisabledEnabledAndRemoved) {
  ASSERT_TRUE(DevicesWithId(kHardwareId).empty());
  EXPECT_FALSE(operations_.IsDevicePresent(kHardwareId));
  EXPECT_FALSE(operations_.InstallForPresentDevice(kInfName, kHardwareId))
      << "no device present";
  EXPECT_FALSE(operations_.CreateDeviceAndInstall("missing.inf", kHardwareId));
  EXPECT_TRUE(DevicesWithId(kHardwareId).empty()) << "nothing created without an INF";

  ASSERT_TRUE(operations_.CreateDeviceAndInstall(kInfName, kHardwareId))
      << "error " << GetLastError();
  auto devices = DevicesWithId(kHardwareId);
  ASSERT_EQ(1u, devices.size());
  EXPECT_EQ(0u, devices[0].instance_id.find("ROOT\\")) << devices[0].instance_id;
  EXPECT_TRUE(operations_.IsDevicePresent("usb\\vid_feed&pid_cafe")) << "case does not matter";
  EXPECT_FALSE(operations_.IsDevicePresent("USB\\VID_FEED&PID_CAF"));

  EXPECT_TRUE(operations_.InstallForPresentDevice(kInfName, kHardwareId))
      << "error " << GetLastError();

  const bool can_change = PlatformChangesDeviceState(kHardwareId);
  RecordedCalls recorded;
  operations_.UseDeviceChangeCalls(recorded.Make());
  operations_.ChangeStateOfMatchingDevices(kHardwareId, DICS_DISABLE);
  devices = DevicesWithId(kHardwareId);
  ASSERT_EQ(1u, devices.size());
  ExpectDisabledWherePossible(can_change, devices[0]);
  // What was asked of the platform, whether or not it can do it.
  ExpectStateChanges(recorded.Take(), DICS_DISABLE, devices);

  operations_.ChangeStateOfMatchingDevices(kHardwareId, DICS_ENABLE);
  devices = DevicesWithId(kHardwareId);
  ASSERT_EQ(1u, devices.size());
  EXPECT_EQ(0u, devices[0].config_flags & CONFIGFLAG_DISABLED) << devices[0].config_flags;
  ExpectStateChanges(recorded.Take(), DICS_ENABLE, devices);
  operations_.ChangeStateOfMatchingDevices("USB\\VID_FEED&PID_CAF", DICS_DISABLE);
  EXPECT_TRUE(recorded.Take().empty()) << "another id changes nothing";

  operations_.RemoveMatchingDevices(kHardwareId);
  EXPECT_TRUE(DevicesWithId(kHardwareId).empty());
}

TEST_F(DeviceOperationsTest, TwoDevicesWithOneIdAreBothDisabledAndBothRemoved) {
  ASSERT_TRUE(operations_.CreateDeviceAndInstall(kInfName, kHardwareId));
  ASSERT_TRUE(operations_.CreateDeviceAndInstall(kInfName, kHardwareId));
  auto devices = DevicesWithId(kHardwareId);
  ASSERT_EQ(2u, devices.size());
  EXPECT_NE(devices[0].instance_id, devices[1].instance_id);

  const bool can_change = PlatformChangesDeviceState(kHardwareId);
  RecordedCalls recorded;
  operations_.UseDeviceChangeCalls(recorded.Make());
  operations_.ChangeStateOfMatchingDevices(kHardwareId, DICS_DISABLE);
  devices = DevicesWithId(kHardwareId);
  ASSERT_EQ(2u, devices.size());
  for (const SeenDevice& device : devices) ExpectDisabledWherePossible(can_change, device);
  const std::vector<DeviceCall> calls = recorded.Take();
  ExpectStateChanges(calls, DICS_DISABLE, devices);
  ASSERT_LE(2u, calls.size());
  EXPECT_NE(calls.front().instance_id, calls.back().instance_id) << "each device in turn";
  operations_.RemoveMatchingDevices(kHardwareId);
  EXPECT_TRUE(DevicesWithId(kHardwareId).empty());
}

TEST_F(DeviceOperationsTest, LegacyDeviceWhoseDriverUpdateFailsIsRemovedAgain) {
  // The package has no driver for this id; Wine's update reports success all the same, so
  // the update fails here as it does on Windows, with its error.
  const char* no_driver_id = "ROOT\\KVONODRIVER";
  RecordedCalls recorded;
  DeviceChangeCalls calls = recorded.Make();
  int updates = 0;
  calls.update_driver = [&](const std::string& hardware_id, const char*) {
    EXPECT_EQ(no_driver_id, hardware_id);
    ++updates;
    SetLastError(ERROR_NO_DRIVER_SELECTED);
    return false;
  };
  operations_.UseDeviceChangeCalls(calls);
  EXPECT_FALSE(operations_.CreateDeviceAndInstall(kInfName, no_driver_id));
  EXPECT_EQ(1, updates);
  const std::vector<DeviceCall> made = recorded.Take();
  ASSERT_EQ(2u, made.size());
  EXPECT_FALSE(made[0].parameters || made[1].parameters);
  EXPECT_EQ(static_cast<DI_FUNCTION>(DIF_REGISTERDEVICE), made[0].function);
  EXPECT_EQ(static_cast<DI_FUNCTION>(DIF_REMOVE), made[1].function);
  EXPECT_EQ(made[0].instance_id, made[1].instance_id) << "the device registered is removed";
  EXPECT_TRUE(DevicesWithId(no_driver_id).empty()) << "no device left behind";
  RemoveDevicesWithId(no_driver_id);
}

TEST_F(DeviceOperationsTest, LongHardwareIdIsCutAndStillEndsTheList) {
  const std::string long_id = "ROOT\\" + std::string(200, 'K');
  ASSERT_TRUE(operations_.CreateDeviceAndInstall(kInfName, long_id));
  const std::string cut = long_id.substr(0, 126);
  auto devices = DevicesWithId(cut);
  EXPECT_EQ(1u, devices.size());
  RemoveDevicesWithId(cut);
}

TEST_F(DeviceOperationsTest, CopyOemInfKeepsThePreviousNameWhenTheInfIsMissing) {
  EXPECT_STREQ("", operations_.oem_inf_name());
  operations_.CopyOemInf("missing.inf");
  EXPECT_STREQ("", operations_.oem_inf_name());

  operations_.CopyOemInf(kInfName);
  std::string stored = operations_.oem_inf_name();
  ASSERT_FALSE(stored.empty());
  EXPECT_TRUE(FileExists(stored)) << stored;
  EXPECT_EQ(0, lstrcmpiA((WindowsDir() + "\\inf\\").c_str(),
                         stored.substr(0, WindowsDir().size() + 5).c_str()))
      << stored;

  operations_.CopyOemInf("missing.inf");
  EXPECT_EQ(stored, operations_.oem_inf_name());
}

class EnumerationKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteTree(HKEY_LOCAL_MACHINE, EnumerationKeyPath(kHardwareId));
    DeleteTree(HKEY_LOCAL_MACHINE, EnumerationKeyPath("KVOTESTBUS"));
  }
  void TearDown() override { SetUp(); }
};

TEST_F(EnumerationKeyTest, KeyAndEverySubkeyAreDeletedAndSiblingsStay) {
  const std::string path = EnumerationKeyPath(kHardwareId);
  const std::string sibling = EnumerationKeyPath("USB\\VID_FEED&PID_CAFF");
  ASSERT_TRUE(CreateKey(path + "\\0001\\Device Parameters\\Deep"));
  ASSERT_TRUE(CreateKey(path + "\\0002"));
  ASSERT_TRUE(CreateKey(sibling));

  DeviceOperations(WindowsDir()).DeleteEnumerationKey("usb\\vid_feed&pid_cafe");
  EXPECT_FALSE(KeyExists(path));
  EXPECT_TRUE(KeyExists(sibling));
  EXPECT_TRUE(KeyExists(EnumerationKeyPath("ROOT")));
  DeleteTree(HKEY_LOCAL_MACHINE, sibling);
}

TEST_F(EnumerationKeyTest, AccessRuleReachesEveryKeyBelow) {
  const std::string path = EnumerationKeyPath(kHardwareId);
  ASSERT_TRUE(CreateKey(path + "\\0001\\Child"));
  ASSERT_EQ(ERROR_SUCCESS, ApplyKeyAccessRule(HKEY_LOCAL_MACHINE, path));
  for (const std::string& key : {path, path + "\\0001", path + "\\0001\\Child"}) {
    UniqueHKey opened;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, READ_CONTROL, opened.put()));
    BYTE buffer[512] = {};
    DWORD size = sizeof(buffer);
    ASSERT_EQ(ERROR_SUCCESS, RegGetKeySecurity(opened.get(), DACL_SECURITY_INFORMATION,
                                               buffer, &size))
        << key;
    BOOL present = FALSE, defaulted = TRUE;
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(buffer, &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl != nullptr) << key;
    EXPECT_EQ(2u, acl->AceCount) << key;
    ACCESS_ALLOWED_ACE* first = nullptr;
    ACCESS_ALLOWED_ACE* second = nullptr;
    ASSERT_TRUE(GetAce(acl, 0, reinterpret_cast<void**>(&first)));
    ASSERT_TRUE(GetAce(acl, 1, reinterpret_cast<void**>(&second)));
    EXPECT_EQ(static_cast<ACCESS_MASK>(KEY_READ), first->Mask) << key;
    EXPECT_EQ(static_cast<ACCESS_MASK>(KEY_ALL_ACCESS), second->Mask) << key;
  }
}

TEST_F(EnumerationKeyTest, EmptyOpenEndedOrBareEnumeratorIdsDeleteNothing) {
  const std::string bus = EnumerationKeyPath("KVOTESTBUS");
  ASSERT_TRUE(CreateKey(bus + "\\Child"));
  DeviceOperations operations(WindowsDir());
  for (const char* id :
       {"", "\\", "KVOTESTBUS", "KVOTESTBUS\\", "\\KVOTESTBUS", "KVOTESTBUS\\\\Child"}) {
    operations.DeleteEnumerationKey(id);
    EXPECT_TRUE(KeyExists(bus + "\\Child")) << "id \"" << id << "\"";
  }
  EXPECT_EQ(ERROR_BADKEY, DeleteKeyTree(HKEY_LOCAL_MACHINE, ""));
  EXPECT_TRUE(KeyExists("SYSTEM\\CurrentControlSet\\Enum"));
}

}  // namespace
}  // namespace kvo::fitdrv
