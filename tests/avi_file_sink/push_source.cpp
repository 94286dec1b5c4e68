#include "push_source.h"

#include <wrl/client.h>

#include <atomic>
#include <cstring>
#include <new>
#include <thread>

#include "dshow/filter_base.h"
#include "dshow/pin_base.h"

using Microsoft::WRL::ComPtr;

namespace kvo_test {
namespace {

class PushSource;

class PushPin final : public kvo::dshow::PinBase<> {
 public:
  explicit PushPin(PushSource& filter);

  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override {
    if (!peer_) return S_FALSE;
    peer_.Reset();
    input_.Reset();
    allocator_.Reset();
    return S_OK;
  }
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    if (!pin) return E_POINTER;
    return kvo::dshow::HandOutPeer(peer_.Get(), pin);
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_FALSE; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }

  IMemAllocator* allocator() { return allocator_.Get(); }
  IMemInputPin* input() { return input_.Get(); }

 private:
  void FillType(AM_MEDIA_TYPE* type, VIDEOINFOHEADER* format) const;

  PushSource& filter_;
  ComPtr<IPin> peer_;
  ComPtr<IMemInputPin> input_;
  ComPtr<IMemAllocator> allocator_;
};

class PushSource final : public kvo::dshow::FilterBase<> {
 public:
  explicit PushSource(const PushSourceSettings& settings)
      : FilterBase({GUID_NULL, AM_FILTER_MISC_FLAGS_IS_SOURCE, true}, nullptr),
        settings_(settings),
        pin_(*this) {
    Rename(L"Push Source");
  }

  STDMETHODIMP Stop() override {
    // Decommit first: it wakes a pusher waiting in GetBuffer for a free sample.
    stopping_ = true;
    if (pin_.allocator()) pin_.allocator()->Decommit();
    StopPushing();
    state_ = State_Stopped;
    return S_OK;
  }
  STDMETHODIMP Pause() override {
    if (state_ == State_Stopped && pin_.allocator()) {
      const HRESULT hr = pin_.allocator()->Commit();
      if (FAILED(hr)) return hr;
    }
    state_ = State_Paused;
    return S_OK;
  }
  STDMETHODIMP Run(REFERENCE_TIME) override {
    if (state_ == State_Stopped) {
      const HRESULT hr = Pause();
      if (FAILED(hr)) return hr;
    }
    if (state_ != State_Running && pin_.input()) StartPushing();
    state_ = State_Running;
    return S_OK;
  }

  const PushSourceSettings& settings() const { return settings_; }
  IPin* pin() { return &pin_; }
  LONG delivered() const { return delivered_; }
  LONG refused() const { return refused_; }
  bool finished() const { return finished_; }

 private:
  ~PushSource() override { StopPushing(); }
  std::size_t ListPins(IPin** pins) override {
    pins[0] = &pin_;
    return 1;
  }

  void StartPushing() {
    StopPushing();
    delivered_ = 0;
    refused_ = 0;
    finished_ = false;
    stopping_ = false;
    pusher_ = std::thread([this] { PushFrames(); });
  }
  void StopPushing() {
    stopping_ = true;
    if (pusher_.joinable()) pusher_.join();
  }
  void PushFrames();

  PushSourceSettings settings_;
  PushPin pin_;
  std::thread pusher_;
  std::atomic<bool> stopping_{false};
  std::atomic<LONG> delivered_{0};
  std::atomic<LONG> refused_{0};
  std::atomic<bool> finished_{false};
};

PushPin::PushPin(PushSource& filter) : PinBase(filter, PINDIR_OUTPUT, L"Out"), filter_(filter) {}

void PushPin::FillType(AM_MEDIA_TYPE* type, VIDEOINFOHEADER* format) const {
  const PushSourceSettings& settings = filter_.settings();
  std::memset(format, 0, sizeof *format);
  format->AvgTimePerFrame = settings.frame_period;
  format->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format->bmiHeader.biWidth = settings.width;
  format->bmiHeader.biHeight = settings.height;
  format->bmiHeader.biPlanes = 1;
  format->bmiHeader.biBitCount = 24;
  format->bmiHeader.biCompression = BI_RGB;
  format->bmiHeader.biSizeImage = static_cast<DWORD>(settings.width * settings.height * 3);
  std::memset(type, 0, sizeof *type);
  type->majortype = MEDIATYPE_Video;
  type->subtype = MEDIASUBTYPE_RGB24;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = format->bmiHeader.biSizeImage;
  type->formattype = FORMAT_VideoInfo;
  type->cbFormat = sizeof *format;
  type->pbFormat = reinterpret_cast<BYTE*>(format);
}

STDMETHODIMP PushPin::Connect(IPin* receiver, const AM_MEDIA_TYPE*) {
  if (!receiver) return E_POINTER;
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  AM_MEDIA_TYPE type;
  VIDEOINFOHEADER format;
  FillType(&type, &format);
  HRESULT hr = receiver->ReceiveConnection(this, &type);
  if (FAILED(hr)) return hr;
  ComPtr<IMemInputPin> input;
  ComPtr<IMemAllocator> allocator;
  hr = receiver->QueryInterface(IID_PPV_ARGS(&input));
  if (SUCCEEDED(hr) && FAILED(input->GetAllocator(&allocator))) {
    hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&allocator));
  }
  if (SUCCEEDED(hr)) {
    ALLOCATOR_PROPERTIES wanted = {3, static_cast<long>(format.bmiHeader.biSizeImage), 1, 0};
    ALLOCATOR_PROPERTIES actual = {};
    hr = allocator->SetProperties(&wanted, &actual);
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

STDMETHODIMP PushPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  if (!peer_) return VFW_E_NOT_CONNECTED;
  VIDEOINFOHEADER format;
  FillType(type, &format);
  type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof format));
  if (!type->pbFormat) return E_OUTOFMEMORY;
  std::memcpy(type->pbFormat, &format, sizeof format);
  return S_OK;
}

// Frame n is filled with the byte n, so a test can tell frames apart in the file.
void PushSource::PushFrames() {
  for (LONG n = 0; n < settings_.frames && !stopping_; ++n) {
    ComPtr<IMediaSample> sample;
    if (FAILED(pin_.allocator()->GetBuffer(&sample, nullptr, nullptr, 0))) break;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const long size = settings_.width * settings_.height * 3;
    std::memset(data, static_cast<int>(n & 0xff), static_cast<size_t>(size));
    sample->SetActualDataLength(size);
    REFERENCE_TIME start = n * settings_.frame_period;
    REFERENCE_TIME stop = start + settings_.frame_period;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    if (pin_.input()->Receive(sample.Get()) == S_OK) {
      ++delivered_;
    } else {
      ++refused_;
    }
    // Paced, so the mux sees a stream rather than a burst.
    Sleep(2);
  }
  finished_ = true;
}

}  // namespace

HRESULT CreatePushSource(const PushSourceSettings& settings, IBaseFilter** source) {
  if (!source) return E_POINTER;
  *source = new (std::nothrow) PushSource(settings);
  return *source ? S_OK : E_OUTOFMEMORY;
}

LONG PushSourceDelivered(IBaseFilter* source) {
  return static_cast<PushSource*>(source)->delivered();
}

LONG PushSourceRefused(IBaseFilter* source) {
  return static_cast<PushSource*>(source)->refused();
}

bool PushSourceFinished(IBaseFilter* source) {
  return static_cast<PushSource*>(source)->finished();
}

}  // namespace kvo_test
