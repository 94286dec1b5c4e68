// The simulated camera's capture source filter: pins "Capture" and (optionally) "Preview",
// the driver's property sets on the filter, exclusive use of the device, loss of the device
// when it is switched off.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <memory>
#include <vector>

#include "driver_state.h"
#include "dshow/filter_base.h"
#include "frame_sizes.h"
#include "live_objects.h"
#include "registration.h"
#include "shared_picture.h"

namespace kvo::simcam {

class OutputPin;

class SimCamFilter final : public dshow::FilterBase<IKsPropertySet, IPersistPropertyBag> {
 public:
  static HRESULT Create(REFIID iid, void** object);

  // IUnknown: a release is also checked for its apartment.
  STDMETHODIMP_(ULONG) Release() override;
  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeout_ms, FILTER_STATE* state) override;
  // IKsPropertySet: the driver's property sets
  STDMETHODIMP Set(REFGUID set, DWORD id, LPVOID instance, DWORD instance_length, LPVOID data,
                   DWORD data_length) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID instance, DWORD instance_length, LPVOID data,
                   DWORD data_length, DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;
  // IPersistPropertyBag: the moniker's bag names the device
  STDMETHODIMP InitNew() override;
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) override;

  // For the pins, under lock().
  CriticalSection& lock() { return lock_; }
  FILTER_STATE state() const { return state_; }
  Device device() const { return device_; }
  FrameSize CaptureSize() const;
  // The device is on and was not switched off since this filter was bound: a filter of an
  // earlier power cycle speaks to a removed device for good.
  bool DevicePresent() const;
  bool ClaimDevice();
  void ReleaseDeviceWhenIdle();
  // Posts an event to the graph's event sink (from any thread).
  void NotifyEvent(long code, LONG_PTR first, LONG_PTR second) { NotifyGraph(code, first, second); }
  // The picture of the current frame, shared by the pins' streaming threads.
  SharedPicture& picture() { return picture_; }

 private:
  SimCamFilter();
  ~SimCamFilter() override;
  std::size_t ListPins(IPin** pins) override;
  void* OtherInterface(REFIID iid) override;
  HRESULT StartRefusal() const;
  HRESULT PropertyCall(bool is_set, REFGUID set, DWORD id, LPVOID instance,
                       DWORD instance_length, LPVOID data, DWORD data_length, DWORD* returned);

  HRESULT refused_ = S_OK;  // why the last start was refused, until the next Stop
  REFERENCE_TIME start_ = 0;
  Device device_ = Device::kFirst;
  DWORD power_cycle_ = PowerCycle();
  DeviceClaim claim_;
  SharedPicture picture_;
  std::vector<std::unique_ptr<OutputPin>> pins_;
};

}  // namespace kvo::simcam
