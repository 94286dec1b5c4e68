// Opening and closing: find the camera among the video input devices by the product
// strings of the settings key, bind its capture filter and record it in RunningDevice.
#include <memory>
#include <new>
#include <string>

#include "camera_handle.h"
#include "product_match.h"
#include "settings_key.h"
#include "text.h"
#include "wide_text.h"

using Microsoft::WRL::ComPtr;

namespace kvo::cm {

namespace {

constexpr char kRunningDeviceValue[] = "RunningDevice";

ProductStrings ReadProductStrings(const SettingsKey& key) {
  ProductStrings products;
  for (size_t slot = 0; slot < kProductSlots; ++slot) {
    std::string text;
    if (key.ReadText(ProductValueName(slot).c_str(), kProductStringBufferSize, &text))
      products.Keep(slot, text);
  }
  return products;
}

ComPtr<IEnumMoniker> VideoInputDevices() {
  ComPtr<ICreateDevEnum> device_enumerator;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&device_enumerator))))
    return nullptr;
  ComPtr<IEnumMoniker> devices;
  // An empty category answers S_FALSE without an enumerator: no camera either.
  if (device_enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                               devices.GetAddressOf(), 0) != S_OK ||
      !devices)
    return nullptr;
  devices->Reset();
  return devices;
}

// Tries the product strings that occur in the display name, in slot order; the first whose
// binding succeeds binds the handle. Returns that slot's string, or empty.
std::string BindMatchingProduct(IMoniker* device, const std::string& display_name,
                                const ProductStrings& products, CM_Handle* handle) {
  for (std::optional<size_t> slot = products.FindIn(display_name); slot;
       slot = products.FindIn(display_name, *slot + 1)) {
    ComPtr<IBaseFilter> filter;
    if (SUCCEEDED(device->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter))) && filter) {
      handle->Filter = filter;
      return products.at(*slot);
    }
  }
  return std::string();
}

bool BindCamera(CM_Handle* handle) {
  ComPtr<IEnumMoniker> devices = VideoInputDevices();
  if (!devices) return false;
  SettingsKey settings;
  if (!settings.is_open()) return false;
  const ProductStrings products = ReadProductStrings(settings);
  if (products.empty()) return false;

  handle->Product[0] = '\0';
  ComPtr<IMoniker> device;
  while (devices->Next(1, device.ReleaseAndGetAddressOf(), nullptr) == S_OK && device) {
    // The whole display name, however long, so that a product string is found anywhere in it.
    const std::string display_name = DisplayNameOf(device.Get());
    // Empty while this device is examined, so a failed open leaves no stale camera behind.
    settings.WriteText(kRunningDeviceValue, std::string(), false);
    const std::string product =
        BindMatchingProduct(device.Get(), display_name, products, handle);
    if (!product.empty()) {
      CopyBounded(handle->Product, sizeof(handle->Product), product.c_str());
      settings.WriteText(kRunningDeviceValue, product, true);
      return true;
    }
  }
  return false;
}

}  // namespace

bool OpenCamera(CM_Handle** handle_variable) {
  if (handle_variable == nullptr) return false;
  *handle_variable = nullptr;
  std::unique_ptr<CM_Handle> handle(new (std::nothrow) CM_Handle());
  if (!handle) return false;
  if (!BindCamera(handle.get())) return false;
  *handle_variable = handle.release();
  return true;
}

}  // namespace kvo::cm
