#include "dshow/pins.h"

#include <ks.h>
#include <ksproxy.h>
#include <wrl/client.h>

#include <cstring>
#include <cwchar>

#include "dshow/filter_base.h"
#include "dshow/pin_base.h"

namespace kvo::dshow {

HRESULT FirstPinOf(IBaseFilter* filter, PIN_DIRECTION wanted, IPin** found) {
  if (filter == nullptr || found == nullptr) return E_POINTER;
  Microsoft::WRL::ComPtr<IEnumPins> pins;
  HRESULT hr = filter->EnumPins(&pins);
  if (FAILED(hr)) return hr;
  Microsoft::WRL::ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION direction;
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted) {
      *found = pin.Detach();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

bool PinIsNamed(IPin* pin, const wchar_t* id) {
  LPWSTR own_id = nullptr;
  if (SUCCEEDED(pin->QueryId(&own_id)) && own_id) {
    const bool same = wcscmp(own_id, id) == 0;
    CoTaskMemFree(own_id);
    if (same) return true;
  }
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info))) return false;
  if (info.pFilter) info.pFilter->Release();
  return wcscmp(info.achName, id) == 0;
}

HRESULT HandOutPeer(IPin* peer, IPin** pin) {
  *pin = peer;
  if (!peer) return VFW_E_NOT_CONNECTED;
  peer->AddRef();
  return S_OK;
}

HRESULT NoConnectionType(AM_MEDIA_TYPE* type) {
  std::memset(type, 0, sizeof *type);
  return VFW_E_NOT_CONNECTED;
}

HRESULT CopyToTaskMemory(const wchar_t* text, LPWSTR* copy) {
  const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  *copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*copy) return E_OUTOFMEMORY;
  std::memcpy(*copy, text, bytes);
  return S_OK;
}

HRESULT GetPinCategory(const GUID& category, REFGUID set, DWORD id, void* data,
                       DWORD data_length, DWORD* returned) {
  if (!IsEqualGUID(set, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (!data) return E_POINTER;
  if (data_length < sizeof(GUID)) return E_UNEXPECTED;
  std::memcpy(data, &category, sizeof(GUID));
  if (returned) *returned = sizeof(GUID);
  return S_OK;
}

HRESULT QueryPinCategorySupport(REFGUID set, DWORD id, DWORD* support) {
  if (!IsEqualGUID(set, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (support) *support = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

}  // namespace kvo::dshow
