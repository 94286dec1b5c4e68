#include "registration.h"

#include <dshow.h>
#include <wrl/client.h>

#include "filter_registration.h"
#include "simcam_names.h"
#include "unique_resource.h"
#include "wide_text.h"

namespace kvo::simcam {
namespace {

using Microsoft::WRL::ComPtr;

// The category's instance keys, where the device enumerator finds registered devices.
constexpr char kCategoryInstances[] =
    "CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance\\";

const char* InstanceNameOf(Device device) {
  return device == Device::kSecond ? kSecondInstanceName : kFirstInstanceName;
}

}  // namespace

// {5C1A7E10-3B2D-4F6A-9E21-7A0B5C3D9F01}
const CLSID kFilterClsid = {
    0x5C1A7E10, 0x3B2D, 0x4F6A, {0x9E, 0x21, 0x7A, 0x0B, 0x5C, 0x3D, 0x9F, 0x01}};

Device DeviceOfFriendlyName(const std::string& friendly_name) {
  return friendly_name == kSecondFriendlyName ? Device::kSecond : Device::kFirst;
}

const char* FriendlyNameOf(Device device) {
  return device == Device::kSecond ? kSecondFriendlyName : kFirstFriendlyName;
}

HRESULT RegisterServer(const std::string& dll_path) {
  const HRESULT hr = testbed::RegisterInprocServer(kFilterClsid, kFirstFriendlyName, dll_path);
  return SUCCEEDED(hr) ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterServer() {
  return SUCCEEDED(testbed::UnregisterInprocServer(kFilterClsid)) ? S_OK : SELFREG_E_CLASS;
}

HRESULT RegisterDevice(Device device) {
  ComPtr<IFilterMapper2> mapper;
  const HRESULT hr = testbed::CreateFilterMapper(&mapper);
  if (FAILED(hr)) return hr;
  const std::wstring friendly = AnsiToWide(FriendlyNameOf(device));
  const std::wstring instance = AnsiToWide(InstanceNameOf(device));
  return testbed::RegisterDeviceEntry(
      mapper.Get(), {&kFilterClsid, friendly.c_str(), instance.c_str(),
                     &CLSID_VideoInputDeviceCategory, &MEDIATYPE_Video, &MEDIASUBTYPE_RGB24});
}

HRESULT UnregisterDevice(Device device) {
  ComPtr<IFilterMapper2> mapper;
  const HRESULT hr = testbed::CreateFilterMapper(&mapper);
  if (FAILED(hr)) return hr;
  if (!DeviceRegistered(device)) return S_OK;
  const std::wstring instance = AnsiToWide(InstanceNameOf(device));
  return mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, instance.c_str(),
                                  kFilterClsid);
}

bool DeviceRegistered(Device device) {
  UniqueHKey key;
  return RegOpenKeyExA(HKEY_CLASSES_ROOT,
                       (std::string(kCategoryInstances) + InstanceNameOf(device)).c_str(), 0,
                       KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
}

}  // namespace kvo::simcam
