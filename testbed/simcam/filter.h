// The simulated camera's capture source filter: pins "Capture" and (optionally) "Preview",
// the driver's property sets on the filter, exclusive use of the device, loss of the device
// when it is switched off.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "driver_state.h"
#include "frame_sizes.h"
#include "live_objects.h"
#include "registration.h"
#include "shared_picture.h"

namespace kvo::simcam {

class OutputPin;

class SimCamFilter final : public IBaseFilter,
                     public IKsPropertySet,
                     public IAMFilterMiscFlags,
                     public IPersistPropertyBag {
 public:
  static HRESULT Create(REFIID iid, void** object);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IPersist
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeout_ms, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;
  // IKsPropertySet: the driver's property sets
  STDMETHODIMP Set(REFGUID set, DWORD id, LPVOID instance, DWORD instance_length, LPVOID data,
                   DWORD data_length) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID instance, DWORD instance_length, LPVOID data,
                   DWORD data_length, DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;
  // IAMFilterMiscFlags
  STDMETHODIMP_(ULONG) GetMiscFlags() override;
  // IPersistPropertyBag: the moniker's bag names the device
  STDMETHODIMP InitNew() override;
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) override;

  // For the pins, under lock().
  std::recursive_mutex& lock() { return lock_; }
  FILTER_STATE state() const { return state_; }
  Device device() const { return device_; }
  FrameSize CaptureSize() const;
  // The device is on and was not switched off since this filter was bound: a filter of an
  // earlier power cycle speaks to a removed device for good.
  bool DevicePresent() const;
  bool ClaimDevice();
  void ReleaseDeviceWhenIdle();
  // Posts an event to the graph's event sink (from any thread).
  void NotifyEvent(long code, LONG_PTR first, LONG_PTR second);
  // The picture of the current frame, shared by the pins' streaming threads.
  SharedPicture& picture() { return picture_; }

 private:
  SimCamFilter();
  ~SimCamFilter();
  HRESULT StartRefusal() const;
  HRESULT PropertyCall(bool is_set, REFGUID set, DWORD id, LPVOID instance,
                       DWORD instance_length, LPVOID data, DWORD data_length, DWORD* returned);

  LiveObject live_;
  std::atomic<ULONG> references_{1};
  std::recursive_mutex lock_;
  FILTER_STATE state_ = State_Stopped;
  HRESULT refused_ = S_OK;  // why the last start was refused, until the next Stop
  REFERENCE_TIME start_ = 0;
  Microsoft::WRL::ComPtr<IReferenceClock> clock_;
  IFilterGraph* graph_ = nullptr;  // not counted: the graph owns the filter
  std::mutex graph_lock_;          // guards graph_ for the streaming threads' events
  WCHAR name_[MAX_FILTER_NAME] = {};
  Device device_ = Device::kFirst;
  DWORD power_cycle_ = PowerCycle();
  DeviceClaim claim_;
  SharedPicture picture_;
  std::vector<std::unique_ptr<OutputPin>> pins_;
};

}  // namespace kvo::simcam
