// The tests' own view of the present devices with a hardware id, through SetupAPI and
// independent of the installer's operations.
#pragma once

#include <windows.h>

#include <cfgmgr32.h>
#include <regstr.h>
#include <setupapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "unique_resource.h"

namespace kvo::test {

struct SeenDevice {
  std::string instance_id;
  DWORD config_flags = 0;
};

// Calls visit for every device (present ones only when present_only) whose hardware-id
// list holds the id.
template <typename Visit>
void ForDevicesWithId(const std::string& hardware_id, bool present_only, Visit visit) {
  DWORD flags = DIGCF_ALLCLASSES | (present_only ? DIGCF_PRESENT : 0);
  UniqueHDevInfo set(SetupDiGetClassDevsA(nullptr, nullptr, nullptr, flags));
  if (!set) return;
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof(device);
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set.get(), i, &device); ++i) {
    char ids[1024] = {};
    if (!SetupDiGetDeviceRegistryPropertyA(set.get(), &device, SPDRP_HARDWAREID, nullptr,
                                           reinterpret_cast<BYTE*>(ids), sizeof(ids) - 2,
                                           nullptr)) {
      continue;
    }
    bool match = false;
    for (const char* id = ids; *id != '\0'; id += std::strlen(id) + 1) {
      if (lstrcmpiA(id, hardware_id.c_str()) == 0) match = true;
    }
    if (match) visit(set.get(), device);
  }
}

inline std::vector<SeenDevice> DevicesWithId(const std::string& hardware_id) {
  std::vector<SeenDevice> seen;
  ForDevicesWithId(hardware_id, true, [&](HDEVINFO set, SP_DEVINFO_DATA& device) {
    SeenDevice entry;
    char instance[MAX_DEVICE_ID_LEN] = {};
    SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof(instance), nullptr);
    entry.instance_id = instance;
    SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_CONFIGFLAGS, nullptr,
                                      reinterpret_cast<BYTE*>(&entry.config_flags),
                                      sizeof(entry.config_flags), nullptr);
    seen.push_back(entry);
  });
  return seen;
}

inline void RemoveDevicesWithId(const std::string& hardware_id) {
  ForDevicesWithId(hardware_id, false, [](HDEVINFO set, SP_DEVINFO_DATA& device) {
    SetupDiRemoveDevice(set, &device);
  });
}

// Whether the platform takes property-change parameters for a device with the id. Wine 8
// does not: SetupDiSetClassInstallParams fails and DIF_PROPERTYCHANGE has no default
// handler (ERROR_DI_DO_DEFAULT), so enable and disable cannot change a state there.
inline bool PlatformChangesDeviceState(const std::string& hardware_id) {
  bool accepted = false;
  ForDevicesWithId(hardware_id, true, [&](HDEVINFO set, SP_DEVINFO_DATA& device) {
    SP_PROPCHANGE_PARAMS change = {};
    change.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    change.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    change.StateChange = DICS_ENABLE;
    change.Scope = DICS_FLAG_CONFIGSPECIFIC;
    accepted = accepted || SetupDiSetClassInstallParamsA(set, &device, &change.ClassInstallHeader,
                                                         sizeof(change)) != FALSE;
  });
  return accepted;
}

}  // namespace kvo::test
