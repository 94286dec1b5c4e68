// simcam.dll: the COM server entry points over the filter, and the testbed's exports.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>

#include "driver_state.h"
#include "filter.h"
#include "live_objects.h"
#include "registration.h"
#include "simcam_names.h"

namespace kvo::simcam {
namespace {

HMODULE this_module = nullptr;

class ClassFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return SimCamFilter::Create(iid, object);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    simcam::LockServer(lock != FALSE);
    return S_OK;
  }

 private:
  LiveObject live_;
  std::atomic<ULONG> references_{1};
};

std::string ModulePath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(this_module, path, sizeof(path));
  return length > 0 && length < sizeof(path) ? std::string(path, length) : std::string();
}

HRESULT RegisterEverything(bool second_device) {
  const std::string path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  HRESULT hr = RegisterServer(path);
  if (FAILED(hr)) return hr;
  EnsureDriverKey();
  if (PoweredOn()) {
    hr = RegisterDevice(Device::kFirst);
    if (FAILED(hr)) return hr;
  }
  if (second_device) {
    WriteSimCamDword(kSecondDeviceValue, 1);
    hr = RegisterDevice(Device::kSecond);
  }
  return hr;
}

}  // namespace
}  // namespace kvo::simcam

using namespace kvo::simcam;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    this_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" {

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid,
                                                       void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != kFilterClsid) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ClassFactory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, object);
  factory->Release();
  return hr;
}

HRESULT WINAPI DllCanUnloadNow() {
  return LiveObjectCount() == 0 && ServerLocks() == 0 ? S_OK : S_FALSE;
}

HRESULT WINAPI DllRegisterServer() {
  kvo::ComApartment apartment(COINIT_MULTITHREADED);
  return RegisterEverything(ReadSimCamDword(kSecondDeviceValue).value_or(0) != 0);
}

HRESULT WINAPI DllUnregisterServer() {
  kvo::ComApartment apartment(COINIT_MULTITHREADED);
  UnregisterDevice(Device::kFirst);
  UnregisterDevice(Device::kSecond);
  return UnregisterServer();
}

// regsvr32 /i:second simcam.dll registers the second device as well.
HRESULT WINAPI DllInstall(BOOL install, LPCWSTR command_line) {
  const bool second = command_line != nullptr && wcscmp(command_line, L"second") == 0;
  if (!install) return DllUnregisterServer();
  kvo::ComApartment apartment(COINIT_MULTITHREADED);
  return RegisterEverything(second || ReadSimCamDword(kSecondDeviceValue).value_or(0) != 0);
}

// The COM objects (filters with their pins, enumerators, class factories) alive in this
// process: a client that released everything leaves 0.
LONG WINAPI SimCamLiveObjects() { return LiveObjectCount(); }

// Frames delivered and late, and the CPU time of the streaming threads, for benchmarks.
void WINAPI SimCamStreamStats(SimCamStats* stats) {
  if (stats != nullptr) *stats = CurrentStats();
}

}  // extern "C"
