#include "output_pin.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "driver_state.h"
#include "dshow/enumerators.h"
#include "dshow/media_type.h"
#include "filter.h"
#include "media_types.h"

namespace kvo::simcam {
namespace {

using Microsoft::WRL::ComPtr;

constexpr long kMinimumBuffers = 3;  // one buffer deadlocks the Smart Tee
constexpr DWORD kIdleWaitMs = 50;
constexpr DWORD kLostWaitMs = 100;
constexpr REFERENCE_TIME kUnset = INT64_MIN;
// How long Pause waits for a frame already on its way; a paused renderer may hold it.
constexpr DWORD kDeliveryWaitMs = 250;

// A type that leaves the choice to us: nothing fixed that we could not deliver.
bool LeavesChoiceOpen(const AM_MEDIA_TYPE& type) {
  return (type.majortype == GUID_NULL || type.majortype == MEDIATYPE_Video) &&
         (type.subtype == GUID_NULL || type.subtype == MEDIASUBTYPE_RGB24) &&
         (type.formattype == GUID_NULL ||
          (type.formattype == FORMAT_VideoInfo && type.pbFormat == nullptr));
}

uint64_t ThreadCpuTime() {
  FILETIME created, ended, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
  auto value = [](const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return value(kernel) + value(user);
}

}  // namespace

OutputPin::OutputPin(SimCamFilter* filter, const wchar_t* name, const GUID& category)
    : PinBase(*filter, PINDIR_OUTPUT, name), filter_(filter), category_(category),
      format_(kDefaultFrameSize),
      wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

OutputPin::~OutputPin() {
  Deactivate();
  ClearConnection();
}

void* OutputPin::OtherInterface(REFIID iid) {
  if (iid == IID_IKsPropertySet) return static_cast<IKsPropertySet*>(this);
  if (iid == IID_IAMStreamConfig) return static_cast<IAMStreamConfig*>(this);
  return nullptr;
}

STDMETHODIMP OutputPin::Connect(IPin* receiver, const AM_MEDIA_TYPE* type) {
  if (receiver == nullptr) return E_POINTER;
  Lock guard(filter_->lock());
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->state() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!filter_->DevicePresent()) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
  // A real camera delivers to one application at a time.
  if (!filter_->ClaimDevice()) return HRESULT_FROM_WIN32(ERROR_BUSY);
  std::vector<FrameSize> candidates;
  const FrameSize preferred = CurrentSize();
  if (type != nullptr && OfferedSizeOf(type)) {
    candidates.push_back(*OfferedSizeOf(type));
  } else if (type == nullptr || LeavesChoiceOpen(*type)) {
    candidates.push_back(preferred);
    for (const FrameSize& size : kFrameSizes)
      if (size.width != preferred.width || size.height != preferred.height)
        candidates.push_back(size);
  }
  HRESULT result = candidates.empty() ? VFW_E_TYPE_NOT_ACCEPTED : VFW_E_NO_ACCEPTABLE_TYPES;
  for (const FrameSize& size : candidates) {
    const HRESULT hr = TryConnect(receiver, size);
    if (SUCCEEDED(hr)) return S_OK;
    if (hr != VFW_E_TYPE_NOT_ACCEPTED && hr != E_FAIL && hr != S_FALSE) result = hr;
  }
  filter_->ReleaseDeviceWhenIdle();
  return result;
}

HRESULT OutputPin::TryConnect(IPin* receiver, const FrameSize& size) {
  AM_MEDIA_TYPE type;
  if (!MakeVideoType(size, &type)) return E_OUTOFMEMORY;
  // The receiver may ask this pin about the connection while it decides.
  peer_ = receiver;
  connected_size_ = size;
  HRESULT hr = receiver->ReceiveConnection(this, &type);
  dshow::FreeMediaTypeFormat(type);
  if (hr == S_OK) {
    hr = SetUpAllocator(receiver, size);
    if (SUCCEEDED(hr)) {
      format_ = size;
      if (category_ == PIN_CATEGORY_CAPTURE) StoreCurrentSize(size.width, size.height);
      return S_OK;
    }
    receiver->Disconnect();
  }
  ClearConnection();
  return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT OutputPin::SetUpAllocator(IPin* receiver, const FrameSize& size) {
  ComPtr<IMemInputPin> input;
  HRESULT hr = receiver->QueryInterface(IID_IMemInputPin,
                                        reinterpret_cast<void**>(input.GetAddressOf()));
  if (FAILED(hr)) return VFW_E_NO_TRANSPORT;
  ALLOCATOR_PROPERTIES wanted = {};
  input->GetAllocatorRequirements(&wanted);
  const long image_size = size.width * size.height * 3;
  wanted.cBuffers = std::max(wanted.cBuffers, kMinimumBuffers);
  wanted.cbBuffer = std::max(wanted.cbBuffer, image_size);
  wanted.cbAlign = std::max(wanted.cbAlign, 1L);
  auto offer = [&](IMemAllocator* allocator) {
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT result = allocator->SetProperties(&wanted, &actual);
    if (SUCCEEDED(result) && actual.cbBuffer < image_size) result = VFW_E_SIZENOTSET;
    if (SUCCEEDED(result)) result = input->NotifyAllocator(allocator, FALSE);
    return result;
  };
  // Smart Tee and AVI Mux offer their own allocator; the renderers answer
  // VFW_E_NO_ALLOCATOR, so the pin brings one.
  ComPtr<IMemAllocator> allocator;
  hr = input->GetAllocator(allocator.GetAddressOf());
  if (FAILED(hr) || FAILED(offer(allocator.Get()))) {
    allocator.Reset();
    hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                          IID_IMemAllocator, reinterpret_cast<void**>(allocator.GetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = offer(allocator.Get());
    if (FAILED(hr)) return hr;
  }
  input_ = input;
  allocator_ = allocator;
  return S_OK;
}

void OutputPin::ClearConnection() {
  peer_.Reset();
  input_.Reset();
  allocator_.Reset();
  connected_size_ = FrameSize{0, 0};
}

STDMETHODIMP OutputPin::Disconnect() {
  Lock guard(filter_->lock());
  if (filter_->state() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!peer_) return S_FALSE;
  ClearConnection();
  filter_->ReleaseDeviceWhenIdle();
  return S_OK;
}

STDMETHODIMP OutputPin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  Lock guard(filter_->lock());
  return dshow::HandOutPeer(peer_.Get(), pin);
}

STDMETHODIMP OutputPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  Lock guard(filter_->lock());
  if (!peer_) return dshow::NoConnectionType(type);
  return MakeVideoType(connected_size_, type) ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP OutputPin::QueryAccept(const AM_MEDIA_TYPE* type) {
  return OfferedSizeOf(type) ? S_OK : S_FALSE;
}

STDMETHODIMP OutputPin::EnumMediaTypes(IEnumMediaTypes** types) {
  std::vector<FrameSize> sizes;
  {
    Lock guard(filter_->lock());
    sizes.push_back(CurrentSize());
  }
  for (const FrameSize& size : kFrameSizes)
    if (size.width != sizes[0].width || size.height != sizes[0].height) sizes.push_back(size);
  std::vector<AM_MEDIA_TYPE> list(sizes.size());
  size_t made = 0;
  while (made < sizes.size() && MakeVideoType(sizes[made], &list[made])) ++made;
  const HRESULT hr = made == sizes.size()
                         ? dshow::CreateMediaTypeEnumerator(list.data(), made,
                                                            LiveObjectCounter(), types)
                         : E_OUTOFMEMORY;
  for (size_t i = 0; i < made; ++i) dshow::FreeMediaTypeFormat(list[i]);
  return hr;
}

STDMETHODIMP OutputPin::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
  return E_NOTIMPL;  // the category is fixed
}

STDMETHODIMP OutputPin::Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data,
                            DWORD data_length, DWORD* returned) {
  return dshow::GetPinCategory(category_, set, id, data, data_length, returned);
}

STDMETHODIMP OutputPin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  return dshow::QueryPinCategorySupport(set, id, support);
}

STDMETHODIMP OutputPin::SetFormat(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  const std::optional<FrameSize> size = OfferedSizeOf(type);
  if (!size) {
    CountFormatNotOffered();
    return VFW_E_INVALIDMEDIATYPE;
  }
  Lock guard(filter_->lock());
  const FrameSize current = CurrentSize();
  const bool same = size->width == current.width && size->height == current.height;
  if (peer_ && !same) {
    // Changing a connected pin's size would need a reconnection the camera cannot force.
    return filter_->state() == State_Stopped ? VFW_E_ALREADY_CONNECTED : VFW_E_NOT_STOPPED;
  }
  format_ = *size;
  format_chosen_ = true;
  if (category_ == PIN_CATEGORY_CAPTURE) StoreCurrentSize(size->width, size->height);
  return S_OK;
}

STDMETHODIMP OutputPin::GetFormat(AM_MEDIA_TYPE** type) {
  if (type == nullptr) return E_POINTER;
  Lock guard(filter_->lock());
  *type = NewVideoType(CurrentSize());
  return *type != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP OutputPin::GetNumberOfCapabilities(int* count, int* size) {
  if (count == nullptr || size == nullptr) return E_POINTER;
  *count = kFrameSizeCount;
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

STDMETHODIMP OutputPin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
  if (type == nullptr || caps == nullptr) return E_POINTER;
  if (index < 0 || index >= kFrameSizeCount) return S_FALSE;
  const FrameSize& size = kFrameSizes[index];
  *type = NewVideoType(size);
  if (*type == nullptr) return E_OUTOFMEMORY;
  VIDEO_STREAM_CONFIG_CAPS config = {};
  config.guid = FORMAT_VideoInfo;
  config.InputSize = config.MinCroppingSize = config.MaxCroppingSize =
      config.MinOutputSize = config.MaxOutputSize = SIZE{size.width, size.height};
  config.CropGranularityX = config.CropGranularityY = 1;
  config.CropAlignX = config.CropAlignY = 1;
  config.OutputGranularityX = config.OutputGranularityY = 1;
  config.MinFrameInterval = config.MaxFrameInterval = kFrameInterval;
  config.MinBitsPerSecond = config.MaxBitsPerSecond =
      size.width * size.height * 3 * 8 * kFramesPerSecond;
  std::memcpy(caps, &config, sizeof(config));
  return S_OK;
}

FrameSize OutputPin::CurrentSize() const {
  if (peer_) return connected_size_;
  // Unless told otherwise, the preview shows what the capture pin delivers.
  if (!is_capture() && !format_chosen_) return filter_->CaptureSize();
  return format_;
}

HRESULT OutputPin::Activate() {
  if (!peer_ || thread_.joinable()) return S_OK;
  const HRESULT hr = allocator_->Commit();
  if (FAILED(hr)) return hr;
  {
    std::lock_guard<std::mutex> guard(run_lock_);
    exit_ = false;
    running_ = false;
  }
  thread_ = std::thread([this] { StreamLoop(); });
  return S_OK;
}

void OutputPin::StartStreaming(REFERENCE_TIME start, IReferenceClock* clock) {
  std::lock_guard<std::mutex> guard(run_lock_);
  running_ = true;
  run_start_ = start;
  clock_ = clock;
  QueryPerformanceCounter(&run_counter_);
  SetEvent(wake_.get());
}

void OutputPin::PauseStreaming() {
  {
    std::lock_guard<std::mutex> guard(run_lock_);
    running_ = false;
  }
  SetEvent(wake_.get());
  // The graph pauses downstream filters first and stops them next: a frame still on its
  // way would reach a stopped AVI Mux, which Wine's mux does not survive.
  const DWORD start = GetTickCount();
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(run_lock_);
      if (!delivering_) return;
    }
    if (GetTickCount() - start >= kDeliveryWaitMs) return;
    Sleep(1);
  }
}

void OutputPin::Deactivate() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(run_lock_);
    exit_ = true;
    running_ = false;
  }
  SetEvent(wake_.get());
  // A thread waiting for a free buffer returns once the allocator is decommitted.
  if (allocator_) allocator_->Decommit();
  thread_.join();
  std::lock_guard<std::mutex> guard(run_lock_);
  clock_.Reset();
}

void OutputPin::StreamLoop() {
  ComApartment apartment(COINIT_MULTITHREADED);
  OverlayCache overlay;
  REFERENCE_TIME next = kUnset;
  uint32_t frame_number = 0;
  bool lost = false;
  uint64_t cpu_before = ThreadCpuTime();
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (;;) {
    bool running;
    REFERENCE_TIME start;
    ComPtr<IReferenceClock> clock;
    LARGE_INTEGER counter_start;
    {
      std::lock_guard<std::mutex> guard(run_lock_);
      if (exit_) break;
      running = running_;
      start = run_start_;
      clock = clock_;
      counter_start = run_counter_;
    }
    if (!running) {
      next = kUnset;
      WaitForSingleObject(wake_.get(), kIdleWaitMs);
      continue;
    }
    REFERENCE_TIME now = 0;
    if (clock) {
      clock->GetTime(&now);
      now -= start;
    } else {
      LARGE_INTEGER counter;
      QueryPerformanceCounter(&counter);
      now = (counter.QuadPart - counter_start.QuadPart) * 10000000 / frequency.QuadPart;
    }
    if (next == kUnset) next = now;
    if (now < next) {
      WaitForSingleObject(wake_.get(), static_cast<DWORD>((next - now) / 10000) + 1);
      continue;
    }
    if (lost || !filter_->DevicePresent()) {
      if (!lost) {
        // Switched off: no more frames, and the graph learns that the device is gone.
        filter_->NotifyEvent(EC_DEVICE_LOST,
                             reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(filter_)), 0);
        lost = true;
      }
      WaitForSingleObject(wake_.get(), kLostWaitMs);
      continue;
    }
    uint64_t late = 0;
    if (now - next > kFrameInterval) {
      late = 1;
      next = now;
    }
    {
      std::lock_guard<std::mutex> guard(run_lock_);
      if (!running_ || exit_) continue;  // paused meanwhile
      delivering_ = true;
    }
    SimCamStats frame = {};
    DeliverFrame(now, frame_number, frame_number == 0, overlay, frame);
    {
      std::lock_guard<std::mutex> guard(run_lock_);
      delivering_ = false;
    }
    ++frame_number;
    next += kFrameInterval;
    const uint64_t cpu_now = ThreadCpuTime();
    frame.frames_delivered = 1;
    frame.frames_late = late;
    frame.cpu_time_100ns = cpu_now - cpu_before;
    AddFrameStats(frame);
    cpu_before = cpu_now;
  }
}

void OutputPin::DeliverFrame(REFERENCE_TIME now, uint32_t frame_number, bool first,
                             OverlayCache& overlay, SimCamStats& frame) {
  ComPtr<IMediaSample> sample;
  {
    StatsTimer timer(&frame.camera_work_100ns);
    if (FAILED(allocator_->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0))) return;
  }
  BYTE* buffer = nullptr;
  const long image_size = connected_size_.width * connected_size_.height * 3;
  if (FAILED(sample->GetPointer(&buffer)) || sample->GetSize() < image_size) return;
  frame.pictures_drawn =
      filter_->picture().Fill(this, frame_number, connected_size_.width, connected_size_.height,
                              buffer, overlay, &frame.camera_work_100ns);
  REFERENCE_TIME start = now;
  REFERENCE_TIME stop = now + kFrameInterval;
  sample->SetActualDataLength(image_size);
  sample->SetTime(&start, &stop);
  sample->SetSyncPoint(TRUE);
  sample->SetDiscontinuity(first ? TRUE : FALSE);
  StatsTimer timer(is_capture() ? &frame.capture_downstream_100ns
                                 : &frame.preview_downstream_100ns);
  input_->Receive(sample.Get());
}

}  // namespace kvo::simcam
