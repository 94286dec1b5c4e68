#include "mic_filter.h"

#include <ks.h>
#include <ksproxy.h>
#include <wrl/client.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "dshow/filter_base.h"
#include "dshow/media_type.h"
#include "dshow/pin_base.h"
#include "tone.h"
#include "unique_resource.h"

using Microsoft::WRL::ComPtr;

namespace simmic {
namespace {

LONG g_live_objects = 0;
LONG g_server_locks = 0;

using kvo::Lock;

constexpr REFERENCE_TIME kBufferDuration =
    10000000LL * static_cast<REFERENCE_TIME>(kSamplesPerBuffer) / kSamplesPerSecond;
const wchar_t kPinName[] = L"Capture";

WAVEFORMATEX PcmFormat() {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = kChannels;
  format.nSamplesPerSec = kSamplesPerSecond;
  format.wBitsPerSample = kBitsPerSample;
  format.nBlockAlign = static_cast<WORD>(kChannels * kBitsPerSample / 8);
  format.nAvgBytesPerSec = kSamplesPerSecond * format.nBlockAlign;
  format.cbSize = 0;
  return format;
}

// Fills `type` with the pin's one media type; its format block is task memory.
HRESULT MakeMediaType(AM_MEDIA_TYPE* type) {
  std::memset(type, 0, sizeof *type);
  auto* format = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
  if (!format) return E_OUTOFMEMORY;
  *format = PcmFormat();
  type->majortype = MEDIATYPE_Audio;
  type->subtype = MEDIASUBTYPE_PCM;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = format->nBlockAlign;
  type->formattype = FORMAT_WaveFormatEx;
  type->cbFormat = sizeof(WAVEFORMATEX);
  type->pbFormat = reinterpret_cast<BYTE*>(format);
  return S_OK;
}

// A type the pin can deliver: ours, or a partial type that leaves the rest open.
bool Matches(const AM_MEDIA_TYPE& type, bool partial_allowed) {
  const auto fits = [&](const GUID& asked, const GUID& ours) {
    return IsEqualGUID(asked, ours) || (partial_allowed && IsEqualGUID(asked, GUID_NULL));
  };
  if (!fits(type.majortype, MEDIATYPE_Audio) || !fits(type.subtype, MEDIASUBTYPE_PCM)) {
    return false;
  }
  if (partial_allowed && IsEqualGUID(type.formattype, GUID_NULL)) return true;
  if (!IsEqualGUID(type.formattype, FORMAT_WaveFormatEx)) return false;
  if (!type.pbFormat || type.cbFormat < sizeof(PCMWAVEFORMAT)) return false;
  const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  const WAVEFORMATEX ours = PcmFormat();
  return format->wFormatTag == ours.wFormatTag && format->nChannels == ours.nChannels &&
         format->nSamplesPerSec == ours.nSamplesPerSec &&
         format->wBitsPerSample == ours.wBitsPerSample;
}

class MicFilter;

class MicPin final : public kvo::dshow::PinBase<IKsPropertySet> {
 public:
  explicit MicPin(MicFilter& filter);

  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    if (!pin) return E_POINTER;
    return kvo::dshow::HandOutPeer(peer_.Get(), pin);
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override {
    if (!type) return E_POINTER;
    return peer_ ? MakeMediaType(type) : kvo::dshow::NoConnectionType(type);
  }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override {
    if (!type) return E_POINTER;
    return Matches(*type, false) ? S_OK : S_FALSE;
  }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;

  // IKsPropertySet: answers the pin category (capture), as a capture device's pin does.
  STDMETHODIMP Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) override {
    return E_PROP_ID_UNSUPPORTED;
  }
  STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD data_length,
                   DWORD* returned) override {
    return kvo::dshow::GetPinCategory(PIN_CATEGORY_CAPTURE, set, id, data, data_length,
                                      returned);
  }
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override {
    return kvo::dshow::QueryPinCategorySupport(set, id, support);
  }

  // For the filter (stopped, under its lock).
  bool connected() const { return peer_ != nullptr; }
  IMemAllocator* allocator() const { return allocator_.Get(); }
  IMemInputPin* input() const { return input_.Get(); }

 private:
  void* OtherInterface(REFIID iid) override {
    return IsEqualIID(iid, IID_IKsPropertySet) ? static_cast<IKsPropertySet*>(this) : nullptr;
  }

  MicFilter& filter_;
  ComPtr<IPin> peer_;
  ComPtr<IMemInputPin> input_;
  ComPtr<IMemAllocator> allocator_;
};

class MicFilter final : public kvo::dshow::FilterBase<IPersistPropertyBag> {
 public:
  explicit MicFilter(const MicrophoneDevice& device)
      : FilterBase({device.clsid, AM_FILTER_MISC_FLAGS_IS_SOURCE, true}, &g_live_objects),
        device_(device),
        pin_(*this) {
    Rename(device.friendly_name);
  }

  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;

  // IPersistPropertyBag: the device enumerator hands over the device's entry.
  STDMETHODIMP InitNew() override { return S_OK; }
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag*, BOOL, BOOL) override { return E_NOTIMPL; }

  bool IsStopped() {
    Lock lock(lock_);
    return state_ == State_Stopped;
  }
  IPin* pin() { return &pin_; }

 private:
  // Released without Stop: the releasing thread (never the streaming thread, which holds
  // no reference) ends the stream before anything goes.
  ~MicFilter() override { Stop(); }
  std::size_t ListPins(IPin** pins) override {
    pins[0] = &pin_;
    return 1;
  }
  void* OtherInterface(REFIID iid) override {
    return IsEqualIID(iid, IID_IPersistPropertyBag) ? static_cast<IPersistPropertyBag*>(this)
                                                    : nullptr;
  }

  HRESULT StartStreaming();
  void StopStreaming();
  static DWORD WINAPI StreamThread(void* self);
  void Stream();
  REFERENCE_TIME StreamTime(DWORD started_ticks);

  const MicrophoneDevice& device_;
  MicPin pin_;
  REFERENCE_TIME run_start_ = 0;
  LONGLONG next_buffer_ = 0;  // the buffer the next run delivers first; 0 after Stop
  kvo::UniqueHandle stop_event_;
  kvo::UniqueHandle thread_;
  ToneGenerator tone_{device_.tone_hz, kSamplesPerSecond, kAmplitude};
};

// ---- MicPin ----

MicPin::MicPin(MicFilter& filter) : PinBase(filter, PINDIR_OUTPUT, kPinName), filter_(filter) {}

// The output pin makes the whole connection: its type, then the allocator (the receiver's
// own, or a memory allocator when it has none).
STDMETHODIMP MicPin::Connect(IPin* receiver, const AM_MEDIA_TYPE* asked) {
  if (!receiver) return E_POINTER;
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (!filter_.IsStopped()) return VFW_E_NOT_STOPPED;
  if (asked && !Matches(*asked, true)) return VFW_E_TYPE_NOT_ACCEPTED;
  AM_MEDIA_TYPE type;
  HRESULT hr = MakeMediaType(&type);
  if (FAILED(hr)) return hr;
  hr = receiver->ReceiveConnection(this, &type);
  kvo::dshow::FreeMediaTypeFormat(type);
  if (FAILED(hr)) return hr;

  ComPtr<IMemInputPin> input;
  ComPtr<IMemAllocator> allocator;
  hr = receiver->QueryInterface(IID_PPV_ARGS(&input));
  if (SUCCEEDED(hr) && FAILED(input->GetAllocator(&allocator))) {
    hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&allocator));
  }
  if (SUCCEEDED(hr)) {
    ALLOCATOR_PROPERTIES wanted = {4, static_cast<long>(kBytesPerBuffer), 1, 0};
    ALLOCATOR_PROPERTIES actual = {};
    hr = allocator->SetProperties(&wanted, &actual);
    if (SUCCEEDED(hr) && actual.cbBuffer < static_cast<long>(kBytesPerBuffer)) {
      hr = VFW_E_SIZENOTSET;
    }
  }
  if (SUCCEEDED(hr)) hr = input->NotifyAllocator(allocator.Get(), FALSE);
  if (FAILED(hr)) {
    receiver->Disconnect();
    return hr;
  }
  peer_ = receiver;
  input_ = input;
  allocator_ = allocator;
  return S_OK;
}

STDMETHODIMP MicPin::Disconnect() {
  if (!filter_.IsStopped()) return VFW_E_NOT_STOPPED;
  if (!peer_) return S_FALSE;
  peer_.Reset();
  input_.Reset();
  allocator_.Reset();
  return S_OK;
}

STDMETHODIMP MicPin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  *types = nullptr;
  AM_MEDIA_TYPE type;
  HRESULT hr = MakeMediaType(&type);
  if (FAILED(hr)) return hr;
  hr = kvo::ComBarrier(
      [&] { return kvo::dshow::CreateMediaTypeEnumerator(&type, 1, &g_live_objects, types); });
  kvo::dshow::FreeMediaTypeFormat(type);
  return hr;
}

// ---- MicFilter ----

STDMETHODIMP MicFilter::Stop() {
  {
    // Decommit first: it wakes a streaming thread that waits in GetBuffer for a buffer.
    Lock lock(lock_);
    if (thread_) SetEvent(stop_event_.get());
    if (state_ != State_Stopped && pin_.allocator()) pin_.allocator()->Decommit();
  }
  StopStreaming();
  Lock lock(lock_);
  state_ = State_Stopped;
  next_buffer_ = 0;
  return S_OK;
}

STDMETHODIMP MicFilter::Pause() {
  StopStreaming();
  Lock lock(lock_);
  if (state_ == State_Stopped && pin_.allocator()) {
    const HRESULT hr = pin_.allocator()->Commit();
    if (FAILED(hr)) return hr;
  }
  state_ = State_Paused;
  return S_OK;
}

STDMETHODIMP MicFilter::Run(REFERENCE_TIME start) {
  {
    Lock lock(lock_);
    if (state_ == State_Running) return S_OK;
  }
  if (IsStopped()) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  Lock lock(lock_);
  run_start_ = start;
  state_ = State_Running;
  return pin_.connected() ? StartStreaming() : S_OK;
}

STDMETHODIMP MicFilter::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  VARIANT name;
  VariantInit(&name);
  name.vt = VT_BSTR;
  if (SUCCEEDED(bag->Read(L"FriendlyName", &name, log)) && name.vt == VT_BSTR && name.bstrVal) {
    Rename(name.bstrVal);
  }
  VariantClear(&name);
  return S_OK;
}

// Called with lock_ held, the pin connected and the allocator committed.
HRESULT MicFilter::StartStreaming() {
  stop_event_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!stop_event_) return HRESULT_FROM_WIN32(GetLastError());
  // No reference for the thread: a final Release on it would wait for the thread itself.
  // The filter outlives the thread because Stop, Pause and the destructor join it.
  thread_.reset(CreateThread(nullptr, 0, StreamThread, this, 0, nullptr));
  if (!thread_) return HRESULT_FROM_WIN32(GetLastError());
  return S_OK;
}

void MicFilter::StopStreaming() {
  kvo::UniqueHandle thread;
  {
    Lock lock(lock_);
    if (!thread_) return;
    SetEvent(stop_event_.get());
    thread = std::move(thread_);
  }
  // Not under the lock: the streaming thread takes it too.
  WaitForSingleObject(thread.get(), INFINITE);
}

DWORD WINAPI MicFilter::StreamThread(void* self) {
  static_cast<MicFilter*>(self)->Stream();
  return 0;
}

REFERENCE_TIME MicFilter::StreamTime(DWORD started_ticks) {
  ComPtr<IReferenceClock> clock;
  REFERENCE_TIME run_start = 0;
  {
    Lock lock(lock_);
    clock = clock_;
    run_start = run_start_;
  }
  REFERENCE_TIME now = 0;
  if (clock && SUCCEEDED(clock->GetTime(&now))) return now - run_start;
  // Without a graph clock the run's own elapsed time stands in.
  return static_cast<REFERENCE_TIME>(GetTickCount() - started_ticks) * 10000;
}

// Delivers buffer n, covering stream time [n, n + 1) x 100 ms, once that time has passed,
// as a sound card hands over a buffer when it is full.
void MicFilter::Stream() {
  IMemAllocator* allocator = nullptr;
  IMemInputPin* input = nullptr;
  HANDLE stop = nullptr;
  LONGLONG first = 0;
  {
    Lock lock(lock_);
    allocator = pin_.allocator();
    input = pin_.input();
    stop = stop_event_.get();
    first = next_buffer_;
  }
  // After a pause the stream goes on where it stopped, as the graph's stream time does.
  const DWORD started_ticks =
      GetTickCount() - static_cast<DWORD>(first * kBufferDuration / 10000);
  for (LONGLONG n = first;; ++n) {
    REFERENCE_TIME start = n * kBufferDuration;
    REFERENCE_TIME end = start + kBufferDuration;
    const REFERENCE_TIME wait = end - StreamTime(started_ticks);
    const DWORD wait_ms = wait > 0 ? static_cast<DWORD>(wait / 10000) + 1 : 0;
    if (WaitForSingleObject(stop, wait_ms) == WAIT_OBJECT_0) return;
    ComPtr<IMediaSample> sample;
    // Fails once the allocator is decommitted (the graph stops).
    if (FAILED(allocator->GetBuffer(&sample, nullptr, nullptr, 0))) return;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || sample->GetSize() < static_cast<long>(kBytesPerBuffer)) {
      return;
    }
    tone_.Fill(reinterpret_cast<int16_t*>(data), kSamplesPerBuffer);
    sample->SetActualDataLength(static_cast<long>(kBytesPerBuffer));
    sample->SetTime(&start, &end);
    sample->SetSyncPoint(TRUE);
    if (n == first) sample->SetDiscontinuity(TRUE);
    // A receiver that refuses (flushing, stopping, failed) ends this run's stream.
    if (input->Receive(sample.Get()) != S_OK) return;
    Lock lock(lock_);
    next_buffer_ = n + 1;
  }
}

}  // namespace

HRESULT CreateMicrophone(const MicrophoneDevice& device, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* filter = new (std::nothrow) MicFilter(device);
  if (!filter) return E_OUTOFMEMORY;
  const HRESULT hr = filter->QueryInterface(iid, object);
  filter->Release();
  return hr;
}

LONG LiveObjectCount() { return InterlockedCompareExchange(&g_live_objects, 0, 0); }

void LockServer(bool lock) {
  if (lock) {
    InterlockedIncrement(&g_server_locks);
  } else {
    InterlockedDecrement(&g_server_locks);
  }
}

LONG ServerLocks() { return InterlockedCompareExchange(&g_server_locks, 0, 0); }

}  // namespace simmic
