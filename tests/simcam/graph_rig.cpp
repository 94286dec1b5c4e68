#include "graph_rig.h"

#include "wide_text.h"

namespace kvo::simcam::rig {
namespace {

// The sample grabber and the null renderer; the platform headers do not declare them.
constexpr GUID kClsidSampleGrabber = {
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr GUID kClsidNullRenderer = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

}  // namespace

std::vector<VideoDevice> ListVideoDevices() {
  std::vector<VideoDevice> devices;
  ComPtr<ICreateDevEnum> enumerator;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum,
                              reinterpret_cast<void**>(enumerator.GetAddressOf()))))
    return devices;
  ComPtr<IEnumMoniker> monikers;
  if (enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                        monikers.GetAddressOf(), 0) != S_OK)
    return devices;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    VideoDevice device;
    LPOLESTR name = nullptr;
    if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &name))) {
      device.display_name = WideToAnsi(name);
      CoTaskMemFree(name);
    }
    ComPtr<IPropertyBag> bag;
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                         reinterpret_cast<void**>(bag.GetAddressOf())))) {
      VARIANT value;
      VariantInit(&value);
      if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR)
        device.friendly_name = WideToAnsi(value.bstrVal);
      VariantClear(&value);
    }
    devices.push_back(device);
  }
  return devices;
}

HRESULT BindCamera(const char* product, ComPtr<IBaseFilter>* filter) {
  ComPtr<ICreateDevEnum> enumerator;
  HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICreateDevEnum,
                                reinterpret_cast<void**>(enumerator.GetAddressOf()));
  if (FAILED(hr)) return hr;
  ComPtr<IEnumMoniker> monikers;
  hr = enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                         monikers.GetAddressOf(), 0);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_NOT_FOUND;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    LPOLESTR name = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &name))) continue;
    const std::string display = WideToAnsi(name);
    CoTaskMemFree(name);
    if (display.find(product) == std::string::npos) continue;
    return moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                 reinterpret_cast<void**>(filter->ReleaseAndGetAddressOf()));
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP FrameCounter::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB) {
    *object = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP FrameCounter::BufferCB(double time, BYTE* buffer, long length) {
  if (buffer != nullptr && length > 0) {
    std::lock_guard<std::mutex> guard(frame_lock_);
    last_frame_.assign(buffer, buffer + length);
  }
  if (frames_++ == 0) first_time_ = time;
  last_time_ = time;
  last_length_ = length;
  return S_OK;
}

std::vector<uint8_t> FrameCounter::LastFrame() const {
  std::lock_guard<std::mutex> guard(frame_lock_);
  return last_frame_;
}

void FrameCounter::Reset() {
  frames_ = 0;
  last_length_ = 0;
  first_time_ = -1;
  last_time_ = -1;
}

HRESULT GraphRig::Create(const char* product) {
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IGraphBuilder, reinterpret_cast<void**>(graph_.GetAddressOf()));
  if (FAILED(hr)) return hr;
  hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                        IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(builder_.GetAddressOf()));
  if (FAILED(hr)) return hr;
  hr = builder_->SetFiltergraph(graph_.Get());
  if (FAILED(hr)) return hr;
  graph_.As(&control_);
  graph_->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(events_.GetAddressOf()));
  hr = BindCamera(product, &camera_);
  if (FAILED(hr)) return hr;
  return graph_->AddFilter(camera_.Get(), L"Video Capture");
}

HRESULT GraphRig::RenderPreview() {
  return builder_->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera_.Get(), nullptr,
                                nullptr);
}

HRESULT GraphRig::AddGrabber() {
  ComPtr<IBaseFilter> grabber_filter;
  HRESULT hr = CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IBaseFilter,
                                reinterpret_cast<void**>(grabber_filter.GetAddressOf()));
  if (FAILED(hr)) return hr;
  ComPtr<IBaseFilter> null_renderer;
  hr = CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                        reinterpret_cast<void**>(null_renderer.GetAddressOf()));
  if (FAILED(hr)) return hr;
  grabber_filter.As(&grabber_);
  if (!grabber_) return E_NOINTERFACE;
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  grabber_->SetMediaType(&type);
  if (FAILED(hr = graph_->AddFilter(grabber_filter.Get(), L"Grabber")) ||
      FAILED(hr = graph_->AddFilter(null_renderer.Get(), L"NULL renderer")))
    return hr;
  hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera_.Get(),
                              grabber_filter.Get(), null_renderer.Get());
  if (FAILED(hr)) return hr;
  grabber_->SetBufferSamples(FALSE);
  grabber_->SetOneShot(FALSE);
  return grabber_->SetCallback(&counter_, 1);
}

HRESULT GraphRig::Run() {
  const HRESULT hr = control_->Run();
  if (FAILED(hr)) {
    // Wine's graph can leave filters paused after a failed Run while it believes itself
    // stopped; its own Stop then leaves them so.
    Stop();
    StopEveryFilter();
  }
  return hr;
}

void GraphRig::StopEveryFilter() {
  ComPtr<IEnumFilters> filters;
  if (!graph_ || FAILED(graph_->EnumFilters(filters.GetAddressOf()))) return;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) filter->Stop();
}

void GraphRig::Stop() {
  if (control_) control_->Stop();
}

void GraphRig::TearDown() {
  Stop();
  if (grabber_) grabber_->SetCallback(nullptr, 1);
  grabber_.Reset();
  camera_.Reset();
  events_.Reset();
  control_.Reset();
  builder_.Reset();
  graph_.Reset();
}

void PumpMessages(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}

bool WaitForEvent(IMediaEventEx* events, long code, DWORD timeout_ms, LONG_PTR* first) {
  const DWORD end = GetTickCount() + timeout_ms;
  for (;;) {
    long got = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (events->GetEvent(&got, &p1, &p2, 0) == S_OK) {
      events->FreeEventParams(got, p1, p2);
      if (got == code) {
        if (first != nullptr) *first = p1;
        return true;
      }
    }
    if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    PumpMessages(20);
  }
}

}  // namespace kvo::simcam::rig
