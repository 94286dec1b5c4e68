#include "filter_registration.h"

#include <shlwapi.h>

#include "unique_resource.h"
#include "wide_text.h"

namespace kvo::testbed {
namespace {

HRESULT SetText(HKEY key, const char* name, const std::string& text) {
  const LONG status = RegSetValueExA(key, name, 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>(text.size() + 1));
  return HRESULT_FROM_WIN32(status);
}

}  // namespace

std::string ClsidKeyPath(const CLSID& clsid) {
  wchar_t text[40] = {};
  StringFromGUID2(clsid, text, 40);
  return "CLSID\\" + WideToAnsi(text);
}

HRESULT RegisterInprocServer(const CLSID& clsid, const std::string& friendly_name,
                             const std::string& dll_path) {
  UniqueHKey clsid_key, server_key;
  LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, ClsidKeyPath(clsid).c_str(), 0, nullptr, 0,
                                KEY_WRITE, nullptr, clsid_key.put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  HRESULT hr = SetText(clsid_key.get(), nullptr, friendly_name);
  if (FAILED(hr)) return hr;
  status = RegCreateKeyExA(clsid_key.get(), "InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                           server_key.put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  hr = SetText(server_key.get(), nullptr, dll_path);
  if (FAILED(hr)) return hr;
  return SetText(server_key.get(), "ThreadingModel", "Both");
}

HRESULT UnregisterInprocServer(const CLSID& clsid) {
  const DWORD status = SHDeleteKeyA(HKEY_CLASSES_ROOT, ClsidKeyPath(clsid).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                    : HRESULT_FROM_WIN32(status);
}

HRESULT CreateFilterMapper(Microsoft::WRL::ComPtr<IFilterMapper2>* mapper) {
  return CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(mapper->ReleaseAndGetAddressOf()));
}

HRESULT RegisterDeviceEntry(IFilterMapper2* mapper, const DeviceEntry& entry) {
  REGPINTYPES pin_type = {entry.major_type, entry.subtype};
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
  return mapper->RegisterFilter(*entry.clsid, entry.friendly_name, nullptr, entry.category,
                                entry.instance_name, &filter);
}

}  // namespace kvo::testbed
