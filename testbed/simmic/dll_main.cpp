// simmic.dll: two simulated microphones, registered with regsvr32.
#include <windows.h>
#include <dshow.h>

#include <new>

#include "mic_filter.h"
#include "registration.h"
#include "simmic_names.h"

namespace {

HMODULE g_module = nullptr;

// One factory per microphone; static, so not reference-counted.
class MicrophoneFactory final : public IClassFactory {
 public:
  explicit constexpr MicrophoneFactory(const simmic::MicrophoneDevice& device)
      : device_(device) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return simmic::CreateMicrophone(device_, iid, object);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    simmic::LockServer(lock != FALSE);
    return S_OK;
  }

 private:
  const simmic::MicrophoneDevice& device_;
};

MicrophoneFactory g_factories[] = {MicrophoneFactory(simmic::kMicrophones[0]),
                                   MicrophoneFactory(simmic::kMicrophones[1])};
static_assert(sizeof g_factories / sizeof g_factories[0] ==
                  sizeof simmic::kMicrophones / sizeof simmic::kMicrophones[0],
              "one factory per microphone");

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  for (size_t i = 0; i < sizeof g_factories / sizeof g_factories[0]; ++i) {
    if (IsEqualCLSID(clsid, simmic::kMicrophones[i].clsid)) {
      return g_factories[i].QueryInterface(iid, object);
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return simmic::LiveObjectCount() == 0 && simmic::ServerLocks() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return simmic::RegisterMicrophones(g_module);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return simmic::UnregisterMicrophones();
}

// For tests: the COM objects this DLL has alive in the calling process.
extern "C" LONG WINAPI SimMicLiveObjects() { return simmic::LiveObjectCount(); }
