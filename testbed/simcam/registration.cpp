#include "registration.h"

#include <dshow.h>
#include <shlwapi.h>
#include <wrl/client.h>

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

std::string ServerKeyPath() { return std::string("CLSID\\") + kFilterClsidText; }

bool SetText(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
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
  UniqueHKey server;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, (ServerKeyPath() + "\\InprocServer32").c_str(), 0,
                      nullptr, 0, KEY_SET_VALUE, nullptr, server.put(),
                      nullptr) != ERROR_SUCCESS)
    return SELFREG_E_CLASS;
  if (!SetText(server.get(), nullptr, dll_path) ||
      !SetText(server.get(), "ThreadingModel", "Both"))
    return SELFREG_E_CLASS;
  UniqueHKey name;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ServerKeyPath().c_str(), 0, KEY_SET_VALUE, name.put()) !=
          ERROR_SUCCESS ||
      !SetText(name.get(), nullptr, kFirstFriendlyName))
    return SELFREG_E_CLASS;
  return S_OK;
}

HRESULT UnregisterServer() {
  const DWORD result = SHDeleteKeyA(HKEY_CLASSES_ROOT, ServerKeyPath().c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

HRESULT RegisterDevice(Device device) {
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFilterMapper2, reinterpret_cast<void**>(mapper.GetAddressOf()));
  if (FAILED(hr)) return hr;
  REGPINTYPES type = {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24};
  REGFILTERPINS2 pin = {};
  pin.dwFlags = REG_PINFLAG_B_OUTPUT;
  pin.cInstances = 1;
  pin.nMediaTypes = 1;
  pin.lpMediaType = &type;
  pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
  REGFILTER2 filter = {};
  filter.dwVersion = 2;
  filter.dwMerit = MERIT_DO_NOT_USE;
  filter.cPins2 = 1;
  filter.rgPins2 = &pin;
  const std::wstring friendly = AnsiToWide(FriendlyNameOf(device));
  const std::wstring instance = AnsiToWide(InstanceNameOf(device));
  return mapper->RegisterFilter(kFilterClsid, friendly.c_str(), nullptr,
                                &CLSID_VideoInputDeviceCategory, instance.c_str(), &filter);
}

HRESULT UnregisterDevice(Device device) {
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFilterMapper2, reinterpret_cast<void**>(mapper.GetAddressOf()));
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
