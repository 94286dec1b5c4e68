#include "registration.h"

#include <dshow.h>
#include <wrl/client.h>

#include <string>

#include "simmic_names.h"
#include "unique_resource.h"
#include "wide_text.h"

using Microsoft::WRL::ComPtr;

namespace simmic {
namespace {

std::string ClsidKeyPath(const CLSID& clsid) {
  wchar_t text[40] = {};
  StringFromGUID2(clsid, text, 40);
  return "CLSID\\" + kvo::WideToAnsi(text);
}

HRESULT SetStringValue(HKEY key, const char* name, const std::string& value) {
  const LONG status = RegSetValueExA(key, name, 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1));
  return HRESULT_FROM_WIN32(status);
}

HRESULT RegisterServer(const MicrophoneDevice& device, const std::string& module_path) {
  const std::string path = ClsidKeyPath(device.clsid);
  kvo::UniqueHKey clsid_key, server_key;
  LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE,
                                nullptr, clsid_key.put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  HRESULT hr = SetStringValue(clsid_key.get(), nullptr, kvo::WideToAnsi(device.friendly_name));
  if (FAILED(hr)) return hr;
  status = RegCreateKeyExA(clsid_key.get(), "InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                           server_key.put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  hr = SetStringValue(server_key.get(), nullptr, module_path);
  if (FAILED(hr)) return hr;
  return SetStringValue(server_key.get(), "ThreadingModel", "Both");
}

void UnregisterServer(const MicrophoneDevice& device) {
  const std::string path = ClsidKeyPath(device.clsid);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, (path + "\\InprocServer32").c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
}

HRESULT CreateMapper(ComPtr<IFilterMapper2>* mapper) {
  return CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(mapper->ReleaseAndGetAddressOf()));
}

HRESULT RegisterInCategory(IFilterMapper2* mapper, const MicrophoneDevice& device) {
  REGPINTYPES pin_type = {&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM};
  REGFILTERPINS2 pin = {};
  pin.dwFlags = REG_PINFLAG_B_OUTPUT;
  pin.cInstances = 1;
  pin.nMediaTypes = 1;
  pin.lpMediaType = &pin_type;
  pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
  REGFILTER2 filter = {};
  filter.dwVersion = 2;
  filter.dwMerit = MERIT_DO_NOT_USE;
  filter.cPins2 = 1;
  filter.rgPins2 = &pin;
  return mapper->RegisterFilter(device.clsid, device.friendly_name, nullptr,
                                &CLSID_AudioInputDeviceCategory, device.instance_name, &filter);
}

}  // namespace

HRESULT RegisterMicrophones(HMODULE module) {
  char module_path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(module, module_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  kvo::ComApartment apartment;
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = CreateMapper(&mapper);
  if (FAILED(hr)) return hr;
  for (const MicrophoneDevice& device : kMicrophones) {
    hr = RegisterServer(device, module_path);
    if (SUCCEEDED(hr)) hr = RegisterInCategory(mapper.Get(), device);
    if (FAILED(hr)) {
      UnregisterMicrophones();
      return hr;
    }
  }
  return S_OK;
}

HRESULT UnregisterMicrophones() {
  kvo::ComApartment apartment;
  ComPtr<IFilterMapper2> mapper;
  const HRESULT hr = CreateMapper(&mapper);
  for (const MicrophoneDevice& device : kMicrophones) {
    if (SUCCEEDED(hr)) {
      mapper->UnregisterFilter(&CLSID_AudioInputDeviceCategory, device.instance_name,
                               device.clsid);
    }
    UnregisterServer(device);
  }
  return hr;
}

}  // namespace simmic
