// An output pin of the simulated camera: connects itself (media type, then allocator),
// answers its category and stream configuration, and streams the test picture on its own
// thread while the filter runs, stamped with the graph clock's stream time.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "driver_state.h"
#include "dshow/pin_base.h"
#include "frame_sizes.h"
#include "live_objects.h"
#include "unique_resource.h"

namespace kvo::simcam {

class SimCamFilter;

class OutputPin final : public dshow::PinBase<IKsPropertySet, IAMStreamConfig> {
 public:
  OutputPin(SimCamFilter* filter, const wchar_t* name, const GUID& category);
  ~OutputPin();

  // IPin
  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  // IKsPropertySet: the pin category
  STDMETHODIMP Set(REFGUID set, DWORD id, LPVOID instance, DWORD instance_length, LPVOID data,
                   DWORD data_length) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID instance, DWORD instance_length, LPVOID data,
                   DWORD data_length, DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;
  // IAMStreamConfig
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

  bool is_capture() const { return category_ == PIN_CATEGORY_CAPTURE; }
  // The size the pin delivers, or would deliver when it connects now.
  FrameSize CurrentSize() const;
  bool connected() const { return peer_ != nullptr; }

  // Filter state changes, called under the filter's lock.
  HRESULT Activate();  // stopped -> paused: commit the allocator, start the thread
  void StartStreaming(REFERENCE_TIME start, IReferenceClock* clock);  // -> running
  void PauseStreaming();                                               // running -> paused
  void Deactivate();   // -> stopped: thread ended, allocator decommitted

 private:
  void* OtherInterface(REFIID iid) override;
  HRESULT TryConnect(IPin* receiver, const FrameSize& size);
  HRESULT SetUpAllocator(IPin* receiver, const FrameSize& size);
  void ClearConnection();
  void StreamLoop();
  // Delivers one frame; adds what it cost to `frame` (pictures_drawn, camera_work_100ns,
  // and the downstream time of this pin's kind).
  void DeliverFrame(REFERENCE_TIME now, uint32_t frame_number, bool first,
                    OverlayCache& overlay, SimCamStats& frame);

  LiveObject live_;
  SimCamFilter* filter_;
  GUID category_;
  FrameSize format_;  // what the next connection delivers (IAMStreamConfig)
  bool format_chosen_ = false;  // SetFormat was called; else the preview follows the capture pin

  // The connection, changed only while stopped.
  Microsoft::WRL::ComPtr<IPin> peer_;
  Microsoft::WRL::ComPtr<IMemInputPin> input_;
  Microsoft::WRL::ComPtr<IMemAllocator> allocator_;
  FrameSize connected_size_{0, 0};

  // Streaming: the thread reads these under run_lock_.
  std::thread thread_;
  UniqueHandle wake_;
  std::mutex run_lock_;
  bool exit_ = false;
  bool running_ = false;
  bool delivering_ = false;  // a frame is on its way downstream
  REFERENCE_TIME run_start_ = 0;
  Microsoft::WRL::ComPtr<IReferenceClock> clock_;
  LARGE_INTEGER run_counter_{};  // start of the run when the graph has no clock
};

}  // namespace kvo::simcam
