// Registration of a simulated device's filter: its class id as an in-process server of the
// DLL, and its entry in a device category (IFilterMapper2) where the system device
// enumerator lists it.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <string>

namespace kvo::testbed {

// "CLSID\{...}" under HKEY_CLASSES_ROOT.
std::string ClsidKeyPath(const CLSID& clsid);

// HKEY_CLASSES_ROOT\CLSID\{clsid} named friendly_name, its InprocServer32 pointing at
// dll_path (threading: Both). Win32 failures as HRESULT_FROM_WIN32.
HRESULT RegisterInprocServer(const CLSID& clsid, const std::string& friendly_name,
                             const std::string& dll_path);
// Removes HKEY_CLASSES_ROOT\CLSID\{clsid} with everything under it; S_OK when it was absent.
HRESULT UnregisterInprocServer(const CLSID& clsid);

// The filter mapper; needs COM on the calling thread.
HRESULT CreateFilterMapper(Microsoft::WRL::ComPtr<IFilterMapper2>* mapper);

// A device in `category` named instance_name: one capture output pin of one media type,
// merit "do not use", as hardware capture devices are listed.
struct DeviceEntry {
  const CLSID* clsid;
  const wchar_t* friendly_name;
  const wchar_t* instance_name;
  const GUID* category;
  const GUID* major_type;
  const GUID* subtype;
};
HRESULT RegisterDeviceEntry(IFilterMapper2* mapper, const DeviceEntry& entry);

}  // namespace kvo::testbed
