// Registration of the simulated camera: the COM server entry of simcam.dll and its devices
// in the video input category (IFilterMapper2), which the system device enumerator lists.
#pragma once

#include <windows.h>

#include <string>

namespace kvo::simcam {

extern const CLSID kFilterClsid;

enum class Device { kFirst = 0, kSecond = 1 };

// The device a moniker's friendly name names; the first device for anything else.
Device DeviceOfFriendlyName(const std::string& friendly_name);
const char* FriendlyNameOf(Device device);

// HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 pointing at dll_path (threading: Both).
HRESULT RegisterServer(const std::string& dll_path);
HRESULT UnregisterServer();
// Adds or removes one device in the video input category. Needs COM on the calling thread.
HRESULT RegisterDevice(Device device);
HRESULT UnregisterDevice(Device device);
// Whether the category lists the device now (its instance key exists).
bool DeviceRegistered(Device device);

}  // namespace kvo::simcam
