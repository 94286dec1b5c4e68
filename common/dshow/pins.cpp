#include "dshow/pins.h"

#include <wrl/client.h>

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

}  // namespace kvo::dshow
