// The driver and device commands: installing and updating a driver for a hardware id,
// creating a root device, copying a driver package into the system's INF folder, removing,
// enabling and disabling devices, rescanning the hardware and wiping the enumeration data
// of a hardware id. SetupAPI, the new-device library and the configuration manager.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <functional>
#include <string>
#include <utility>

namespace kvo::fitdrv {

// The platform calls that change devices. Tests replace them to record what the operations
// ask of the platform where Wine's SetupAPI cannot show the effect (a disabled device, a
// failed driver update), and hand each call on to the real one.
struct DeviceChangeCalls {
  std::function<BOOL(HDEVINFO, SP_DEVINFO_DATA*, SP_CLASSINSTALL_HEADER*, DWORD)>
      set_class_install_params;
  std::function<BOOL(DI_FUNCTION, HDEVINFO, SP_DEVINFO_DATA*)> call_class_installer;
  // The driver update for a hardware id from an INF file; false with the error set.
  std::function<bool(const std::string& hardware_id, const char* inf_path)> update_driver;
};
DeviceChangeCalls PlatformDeviceChangeCalls();

class DeviceOperations {
 public:
  // The operations look for INF files in the working directory, then below windows_dir.
  explicit DeviceOperations(std::string windows_dir) : windows_dir_(std::move(windows_dir)) {}

  // Finds the INF file by the search order; on success it becomes inf_path().
  bool LocateInf(const std::string& inf_name);
  bool IsDevicePresent(const std::string& hardware_id) const;
  bool InstallForPresentDevice(const std::string& inf_name, const std::string& hardware_id);
  bool CreateDeviceAndInstall(const std::string& inf_name, const std::string& hardware_id);
  // On failure the OEM INF name keeps its earlier value.
  void CopyOemInf(const std::string& inf_name);
  void RemoveMatchingDevices(const std::string& hardware_id) const;
  void RescanHardware() const;
  // state: DICS_ENABLE or DICS_DISABLE.
  void ChangeStateOfMatchingDevices(const std::string& hardware_id, DWORD state) const;
  void DeleteEnumerationKey(const std::string& hardware_id) const;

  void UseDeviceChangeCalls(DeviceChangeCalls calls) { calls_ = std::move(calls); }

  const char* inf_path() const { return inf_path_; }
  const char* oem_inf_name() const { return oem_inf_name_; }

 private:
  std::string windows_dir_;
  DeviceChangeCalls calls_ = PlatformDeviceChangeCalls();
  char inf_path_[MAX_PATH] = {};
  char oem_inf_name_[MAX_PATH] = {};
};

// The registry key that holds a hardware id's enumeration data, below HKEY_LOCAL_MACHINE.
std::string EnumerationKeyPath(const std::string& hardware_id);

// Both exposed for tests: the access rule applied before the enumeration key is deleted,
// and the deletion of a key tree one subkey at a time.
LONG ApplyKeyAccessRule(HKEY root, const std::string& path);
LONG DeleteKeyTree(HKEY parent, const std::string& name);

}  // namespace kvo::fitdrv
