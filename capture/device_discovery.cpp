// Finding and binding the video, audio and compressor devices through the system device
// enumerator.
#include <cstdio>

#include "device_match.h"
#include "tdirectshow.h"
#include "wide_text.h"

namespace kvo {

namespace {

// Names are kept in buffers of 512 bytes including the terminator; longer ones are cut.
constexpr std::size_t kNameBytes = 512;

std::string Bounded(std::string text) {
  if (text.size() > kNameBytes - 1) text.resize(kNameBytes - 1);
  return text;
}

void Diagnostic(const char* line) {
  std::fputs(line, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Creates the device enumerator, asks it for the category's class enumerator (released
// again right away) and resets it. An empty category answers S_FALSE and no enumerator:
// a failure for the device categories, not for the compressor category, whose failures
// are also the component's diagnostic lines.
bool OpenCategory(REFCLSID category, ComPtr<IEnumMoniker>& monikers) {
  const bool compressors = IsEqualCLSID(category, CLSID_VideoCompressorCategory) != 0;
  monikers.Reset();
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&devices)))) {
    if (compressors) Diagnostic("Failed to create system enumerator");
    return false;
  }
  const HRESULT status = devices->CreateClassEnumerator(category, monikers.GetAddressOf(), 0);
  devices.Reset();
  if (compressors ? FAILED(status) : status != S_OK) {
    monikers.Reset();
    if (compressors) Diagnostic("Failed to create class enumerator");
    return false;
  }
  if (monikers) monikers->Reset();
  return true;
}

bool NextMoniker(IEnumMoniker* monikers, ComPtr<IMoniker>& moniker) {
  moniker.Reset();
  if (monikers == nullptr) return false;
  return monikers->Next(1, moniker.GetAddressOf(), nullptr) == S_OK && moniker;
}

bool FriendlyNameOf(IMoniker* moniker, std::string* name) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) return false;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  const HRESULT status = bag->Read(L"FriendlyName", &value, nullptr);
  const bool read = SUCCEEDED(status) && value.vt == VT_BSTR && value.bstrVal != nullptr;
  if (read) *name = Bounded(WideToAnsi(value.bstrVal));
  VariantClear(&value);
  return read;
}

bool BindFilter(IMoniker* moniker, ComPtr<IBaseFilter>& filter) {
  filter.Reset();
  if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter)))) filter.Reset();
  return filter != nullptr;
}

// The code page's own upper-casing, as the compressor names are narrow text.
std::string CodePageUpper(const std::string& text) {
  std::string upper = text;
  if (!upper.empty()) CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
  return upper;
}

}  // namespace

bool TDirectShow::GetDeviceEnum(const std::string& vendor, const std::string& product) {
  ComPtr<IEnumMoniker> monikers;
  if (!OpenCategory(CLSID_VideoInputDeviceCategory, monikers)) return false;
  video_source_.Reset();
  const std::string pattern = BuildMatchPattern(vendor, product);
  int32_t matches_counted = 0;
  ComPtr<IMoniker> moniker;
  // A qualifying device is counted until DeviceIndex of them were passed over; true when
  // it is the one and could be bound.
  const auto take = [&] {
    if (matches_counted < DeviceIndex) {
      ++matches_counted;
      return false;
    }
    return BindFilter(moniker.Get(), video_source_);
  };
  while (NextMoniker(monikers.Get(), moniker)) {
    const std::string display_name = Bounded(DisplayNameOf(moniker.Get()));
    // An empty vendor text lets every device qualify; the pattern test below then still
    // runs, as it always has, and finds nothing in a real display name.
    if (vendor.empty() && take()) break;
    if (DisplayNameMatches(display_name, pattern) && take()) break;
  }
  return video_source_ != nullptr;
}

int32_t TDirectShow::GetDeviceList(const std::string& vendor, const std::string& product,
                                   StringList& list) {
  list.clear();
  ComPtr<IEnumMoniker> monikers;
  if (!OpenCategory(CLSID_VideoInputDeviceCategory, monikers)) return 1;
  const std::string pattern = BuildMatchPattern(vendor, product);
  ComPtr<IMoniker> moniker;
  while (NextMoniker(monikers.Get(), moniker)) {
    const std::string display_name = Bounded(DisplayNameOf(moniker.Get()));
    std::string friendly_name;
    if (!FriendlyNameOf(moniker.Get(), &friendly_name)) continue;
    if (vendor.empty()) list.push_back(friendly_name);
    if (DisplayNameMatches(display_name, pattern)) list.push_back(friendly_name);
  }
  return 1;
}

int32_t TDirectShow::GetAudioDevice(int32_t position) {
  ComPtr<IEnumMoniker> monikers;
  if (!OpenCategory(CLSID_AudioInputDeviceCategory, monikers)) return 1;
  audio_source_.Reset();
  int32_t counter = 0;
  ComPtr<IMoniker> moniker;
  while (NextMoniker(monikers.Get(), moniker)) {
    if (counter == position) {
      // A device that cannot be bound gives its position to the next one.
      if (BindFilter(moniker.Get(), audio_source_)) break;
    } else {
      ++counter;
    }
  }
  if (!audio_source_) {
    CaptureAudio = false;
    AudioIndex = 0;
  }
  return audio_source_ ? 0 : 1;
}

int32_t TDirectShow::GetAudioDeviceList(StringList& list) {
  ComPtr<IEnumMoniker> monikers;
  if (!OpenCategory(CLSID_AudioInputDeviceCategory, monikers)) return 1;
  ComPtr<IMoniker> moniker;
  while (NextMoniker(monikers.Get(), moniker)) {
    std::string friendly_name;
    if (FriendlyNameOf(moniker.Get(), &friendly_name)) list.push_back(friendly_name);
  }
  return 0;
}

void TDirectShow::GetCompressor(ComPtr<IBaseFilter>* filter) {
  if (filter == nullptr) {
    Diagnostic("GetCompressor received invalid pointer");
    return;
  }
  filter->Reset();
  ComPtr<IEnumMoniker> monikers;
  if (!OpenCategory(CLSID_VideoCompressorCategory, monikers)) return;
  ComPtr<IMoniker> moniker;
  while (NextMoniker(monikers.Get(), moniker)) {
    std::string friendly_name;
    if (!FriendlyNameOf(moniker.Get(), &friendly_name)) continue;
    if (friendly_name == CompressorName) {
      // The search ends at the first name match, bound or not.
      BindFilter(moniker.Get(), *filter);
      return;
    }
  }
}

void TDirectShow::GetCompressorsList(StringList& list) {
  SetSwitchableRows(hidden_compressors_, HideVideo1Codec, HideRleCodec);
  list.clear();
  ComPtr<IEnumMoniker> monikers;
  if (!OpenCategory(CLSID_VideoCompressorCategory, monikers)) return;
  ComPtr<IMoniker> moniker;
  while (NextMoniker(monikers.Get(), moniker)) {
    std::string friendly_name;
    if (!FriendlyNameOf(moniker.Get(), &friendly_name)) continue;
    if (!IsHiddenCompressor(friendly_name, hidden_compressors_, CodePageUpper)) {
      list.push_back(friendly_name);
    }
  }
}

}  // namespace kvo
