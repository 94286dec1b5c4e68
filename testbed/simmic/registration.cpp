#include "registration.h"

#include <dshow.h>
#include <wrl/client.h>

#include <string>

#include "filter_registration.h"
#include "simmic_names.h"
#include "unique_resource.h"
#include "wide_text.h"

using Microsoft::WRL::ComPtr;

namespace simmic {
namespace {

HRESULT RegisterServer(const MicrophoneDevice& device, const std::string& module_path) {
  return kvo::testbed::RegisterInprocServer(device.clsid, kvo::WideToAnsi(device.friendly_name),
                                            module_path);
}

HRESULT RegisterInCategory(IFilterMapper2* mapper, const MicrophoneDevice& device) {
  return kvo::testbed::RegisterDeviceEntry(
      mapper, {&device.clsid, device.friendly_name, device.instance_name,
               &CLSID_AudioInputDeviceCategory, &MEDIATYPE_Audio, &MEDIASUBTYPE_PCM});
}

}  // namespace

HRESULT RegisterMicrophones(HMODULE module) {
  char module_path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(module, module_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  kvo::ComApartment apartment;
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = kvo::testbed::CreateFilterMapper(&mapper);
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
  const HRESULT hr = kvo::testbed::CreateFilterMapper(&mapper);
  for (const MicrophoneDevice& device : kMicrophones) {
    if (SUCCEEDED(hr)) {
      mapper->UnregisterFilter(&CLSID_AudioInputDeviceCategory, device.instance_name,
                               device.clsid);
    }
    kvo::testbed::UnregisterInprocServer(device.clsid);
  }
  return hr;
}

}  // namespace simmic
