#include "filter.h"

#include <new>

#include "driver_records.h"
#include "output_pin.h"
#include "simcam_control.h"
#include "wide_text.h"

namespace kvo::simcam {
namespace {

using Microsoft::WRL::ComPtr;

std::atomic<uint32_t> next_claim_token{1};

CallSet CallSetOf(REFGUID set) {
  static const GUID kImage = {0xD80AF729, 0x7C23, 0x4E10,
                              {0xBC, 0x5F, 0x1D, 0x8C, 0x15, 0x7F, 0x96, 0xE3}};
  static const GUID kZoom = {0xE02A32D0, 0xD2FC, 0x4628,
                             {0xA1, 0xDD, 0xDE, 0x07, 0x9B, 0x11, 0xDF, 0xE2}};
  static const GUID kVideoControl = {0x6A2E0670, 0x28E4, 0x11D0,
                                     {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
  if (set == kImage) return CallSet::kImage;
  if (set == kZoom) return CallSet::kZoom;
  if (set == kVideoControl) return CallSet::kVideoControl;
  return CallSet::kOther;
}

}  // namespace

HRESULT SimCamFilter::Create(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  auto* filter = new (std::nothrow) SimCamFilter();
  if (filter == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = filter->QueryInterface(iid, object);
  filter->Release();
  return hr;
}

SimCamFilter::SimCamFilter()
    : FilterBase({kFilterClsid, AM_FILTER_MISC_FLAGS_IS_SOURCE, true}, LiveObjectCounter()),
      claim_(0, next_claim_token++) {
  EnsureDriverKey();
  pins_.push_back(std::make_unique<OutputPin>(this, L"Capture", PIN_CATEGORY_CAPTURE));
  if (PreviewPinPresent())
    pins_.push_back(std::make_unique<OutputPin>(this, L"Preview", PIN_CATEGORY_PREVIEW));
}

SimCamFilter::~SimCamFilter() {
  // Released without Stop: the pins end their threads before anything goes.
  Lock guard(lock_);
  for (auto& pin : pins_) pin->Deactivate();
  pins_.clear();
}

std::size_t SimCamFilter::ListPins(IPin** pins) {
  std::size_t count = 0;
  for (auto& pin : pins_) pins[count++] = pin.get();
  return count;
}

void* SimCamFilter::OtherInterface(REFIID iid) {
  if (iid == IID_IKsPropertySet) return static_cast<IKsPropertySet*>(this);
  if (iid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(this);
  return nullptr;
}

STDMETHODIMP_(ULONG) SimCamFilter::Release() {
  CheckReleaseInApartment();
  return FilterBase::Release();
}

STDMETHODIMP SimCamFilter::Stop() {
  Lock guard(lock_);
  for (auto& pin : pins_) pin->Deactivate();
  state_ = State_Stopped;
  refused_ = S_OK;
  return S_OK;
}

// Why the camera cannot start (or go on) streaming now; S_OK when it can.
HRESULT SimCamFilter::StartRefusal() const {
  if (!DevicePresent()) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
  if (RunFails()) return HRESULT_FROM_WIN32(ERROR_BUSY);
  return S_OK;
}

STDMETHODIMP SimCamFilter::Pause() {
  Lock guard(lock_);
  if (state_ == State_Stopped) {
    // Only a start is refused: a running graph that stops pauses its filters first.
    refused_ = StartRefusal();
    if (FAILED(refused_)) return refused_;
    for (auto& pin : pins_) {
      const HRESULT hr = pin->Activate();
      if (FAILED(hr)) {
        for (auto& other : pins_) other->Deactivate();
        return hr;
      }
    }
  } else if (state_ == State_Running) {
    for (auto& pin : pins_) pin->PauseStreaming();
  }
  state_ = State_Paused;
  return S_OK;
}

STDMETHODIMP SimCamFilter::Run(REFERENCE_TIME start) {
  Lock guard(lock_);
  refused_ = StartRefusal();
  if (FAILED(refused_)) return refused_;
  if (state_ == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  start_ = start;
  for (auto& pin : pins_) pin->StartStreaming(start, clock_.Get());
  state_ = State_Running;
  return S_OK;
}

STDMETHODIMP SimCamFilter::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  Lock guard(lock_);
  *state = state_;
  // A refused start stays visible until the next Stop: a graph whose renderer answered its
  // Pause with S_FALSE overlooks the camera's failed Pause, but not a failed state.
  if (state_ == State_Stopped && FAILED(refused_)) return refused_;
  // A live source has nothing to show while paused; without this a graph never starts.
  return state_ == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP SimCamFilter::Set(REFGUID set, DWORD id, LPVOID instance, DWORD instance_length,
                               LPVOID data, DWORD data_length) {
  return PropertyCall(true, set, id, instance, instance_length, data, data_length, nullptr);
}

STDMETHODIMP SimCamFilter::Get(REFGUID set, DWORD id, LPVOID instance, DWORD instance_length,
                               LPVOID data, DWORD data_length, DWORD* returned) {
  return PropertyCall(false, set, id, instance, instance_length, data, data_length, returned);
}

HRESULT SimCamFilter::PropertyCall(bool is_set, REFGUID set, DWORD id, LPVOID instance,
                                   DWORD instance_length, LPVOID data, DWORD data_length,
                                   DWORD* returned) {
  PropertyRequest request;
  request.is_set = is_set;
  request.set = CallSetOf(set);
  request.id = id;
  request.instance = instance;
  request.instance_length = instance_length;
  request.data = data;
  request.data_length = data_length;
  PropertyAnswer answer;
  if (!DevicePresent()) {
    answer = RefusePropertyCall(request, kStatusDeviceRemoved);
    if (returned != nullptr) *returned = 0;
    AppendPropertyCall(answer.call);
    return answer.status;
  }
  {
    StateLock lock;
    DriverState state = LoadDriverState();
    answer = HandlePropertyCall(request, state);
    if (answer.effects.settings_changed || answer.effects.saved_changed ||
        answer.effects.mode_changed)
      StoreDriverState(state);
    if (answer.effects.mode_changed) {
      const bool trigger = ((state.video_control_mode[0] | state.video_control_mode[1]) &
                            kVideoControlExternalTrigger) != 0;
      WriteSimCamDword(kTriggerModeValue, trigger ? 1 : 0);
    }
  }
  if (answer.effects.take_still && !TakeStill()) {
    answer.status = E_FAIL;
    answer.call.status = E_FAIL;
  }
  if (returned != nullptr) *returned = answer.returned;
  AppendPropertyCall(answer.call);
  return answer.status;
}

STDMETHODIMP SimCamFilter::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  const CallSet which = CallSetOf(set);
  if (which == CallSet::kOther) return E_PROP_SET_UNSUPPORTED;
  if (!PropertySupported(which, id)) return E_PROP_ID_UNSUPPORTED;
  if (support != nullptr) *support = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
  return S_OK;
}

STDMETHODIMP SimCamFilter::InitNew() { return S_OK; }

STDMETHODIMP SimCamFilter::Load(IPropertyBag* bag, IErrorLog* log) {
  if (bag == nullptr) return E_POINTER;
  VARIANT name;
  VariantInit(&name);
  name.vt = VT_BSTR;
  if (SUCCEEDED(bag->Read(L"FriendlyName", &name, log)) && name.vt == VT_BSTR) {
    device_ = DeviceOfFriendlyName(WideToAnsi(name.bstrVal));
    claim_.Reassign(static_cast<int>(device_));
  }
  VariantClear(&name);
  // A stale registration of a switched-off camera must not bind.
  return DevicePresent() ? S_OK : HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
}

STDMETHODIMP SimCamFilter::Save(IPropertyBag*, BOOL, BOOL) { return E_NOTIMPL; }

FrameSize SimCamFilter::CaptureSize() const {
  for (const auto& pin : pins_)
    if (pin->is_capture()) return pin->CurrentSize();
  return kDefaultFrameSize;
}

bool SimCamFilter::DevicePresent() const {
  return device_ != Device::kFirst || (PoweredOn() && PowerCycle() == power_cycle_);
}

bool SimCamFilter::ClaimDevice() { return claim_.Acquire(); }

void SimCamFilter::ReleaseDeviceWhenIdle() {
  for (auto& pin : pins_)
    if (pin->connected()) return;
  claim_.Release();
}

}  // namespace kvo::simcam
