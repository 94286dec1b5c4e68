// The simulated microphones as the capture component meets them: listed by the system
// device enumerator in the audio input category, bound by moniker, streaming their tone
// through the capture graph builder into a sample grabber, and what Wine's AVI Mux does
// with the audio stream.
#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "avi_file.h"
#include "avi_file_sink.h"
#include "e2e.h"
#include "recording_graph.h"
#include "unique_resource.h"
#include "wide_text.h"

using Microsoft::WRL::ComPtr;

namespace {

// Not in MinGW's qedit.h.
const CLSID kClsidSampleGrabber = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
const CLSID kClsidNullRenderer = {
    0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

struct AudioDevice {
  std::string friendly_name;
  std::string display_name;
  ComPtr<IMoniker> moniker;
};

std::vector<AudioDevice> ListAudioInputs() {
  std::vector<AudioDevice> devices;
  ComPtr<ICreateDevEnum> enumerator;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&enumerator)))) {
    return devices;
  }
  ComPtr<IEnumMoniker> monikers;
  if (enumerator->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &monikers, 0) != S_OK) {
    return devices;
  }
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    AudioDevice device;
    device.moniker = moniker;
    LPOLESTR display = nullptr;
    if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &display)) && display) {
      device.display_name = kvo::WideToAnsi(display);
      CoTaskMemFree(display);
    }
    ComPtr<IPropertyBag> bag;
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) {
      VARIANT name;
      VariantInit(&name);
      name.vt = VT_BSTR;
      if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR) {
        device.friendly_name = kvo::WideToAnsi(name.bstrVal);
      }
      VariantClear(&name);
    }
    devices.push_back(device);
  }
  return devices;
}

HRESULT BindMicrophone(const std::string& friendly_name, ComPtr<IBaseFilter>* filter) {
  for (const AudioDevice& device : ListAudioInputs()) {
    if (device.friendly_name == friendly_name) {
      return device.moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter->GetAddressOf()));
    }
  }
  return VFW_E_NOT_FOUND;
}

LONG SimMicLiveObjects() {
  using Count = LONG(WINAPI*)();
  HMODULE module = GetModuleHandleA("simmic.dll");
  if (!module) return 0;  // never loaded: nothing alive
  auto count = reinterpret_cast<Count>(
      reinterpret_cast<void*>(GetProcAddress(module, "SimMicLiveObjects")));
  return count ? count() : -1;
}

class SimMicTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(apartment_.ok()) << std::hex << apartment_.result(); }
  void TearDown() override {
    EXPECT_EQ(0, SimMicLiveObjects()) << "simmic.dll objects still alive";
    EXPECT_EQ(0, kvo::AviFileSinkLiveObjects()) << "sink objects still alive";
  }

  kvo::ComApartment apartment_;
};

TEST_F(SimMicTest, EnumeratorListsBothMicrophonesAndBindsEach) {
  const std::vector<AudioDevice> devices = ListAudioInputs();
  const struct {
    const char* name;
    const char* instance;
    const wchar_t* filter_name;
  } expected[] = {{"Simulated Microphone 1", "simmic0001", L"Simulated Microphone 1"},
                  {"Simulated Microphone 2", "simmic0002", L"Simulated Microphone 2"}};
  for (const auto& microphone : expected) {
    SCOPED_TRACE(microphone.name);
    const auto found = std::find_if(devices.begin(), devices.end(), [&](const AudioDevice& d) {
      return d.friendly_name == microphone.name;
    });
    ASSERT_NE(devices.end(), found) << "not listed in the audio input category";
    EXPECT_NE(std::string::npos, found->display_name.find(microphone.instance))
        << found->display_name;
    ComPtr<IBaseFilter> filter;
    HRESULT hr = found->moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter));
    ASSERT_EQ(S_OK, hr) << std::hex << hr;
    // The device's name reaches the filter through IPersistPropertyBag::Load.
    FILTER_INFO info = {};
    ASSERT_EQ(S_OK, filter->QueryFilterInfo(&info));
    EXPECT_EQ(std::wstring(microphone.filter_name), std::wstring(info.achName));
    if (info.pGraph) info.pGraph->Release();
    ComPtr<IPin> pin;
    ASSERT_EQ(S_OK, filter->FindPin(L"Capture", &pin));
    ComPtr<IKsPropertySet> properties;
    ASSERT_EQ(S_OK, pin.As(&properties));
    GUID category = GUID_NULL;
    DWORD returned = 0;
    EXPECT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0,
                                    &category, sizeof category, &returned));
    EXPECT_TRUE(IsEqualGUID(PIN_CATEGORY_CAPTURE, category));
    EXPECT_EQ(sizeof(GUID), returned);
    EXPECT_EQ(E_UNEXPECTED, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr,
                                            0, &category, sizeof category - 1, &returned));
  }
}

// Collects what the grabber hands over, on the streaming thread.
class PcmCollector final : public ISampleGrabberCB {
 public:
  struct Buffer {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    std::vector<int16_t> samples;
  };

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISampleGrabberCB)) {
      *object = static_cast<ISampleGrabberCB*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the test's stack, longer than the graph.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
    Buffer buffer;
    if (sample->GetTime(&buffer.start, &buffer.stop) != S_OK) buffer.start = buffer.stop = -1;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const long length = sample->GetActualDataLength();
    const auto* pcm = reinterpret_cast<const int16_t*>(data);
    buffer.samples.assign(pcm, pcm + length / 2);
    std::lock_guard<std::mutex> guard(mutex_);
    buffers_.push_back(std::move(buffer));
    return S_OK;
  }
  STDMETHODIMP BufferCB(double, BYTE*, long) override { return S_OK; }

  std::vector<Buffer> Take() {
    std::lock_guard<std::mutex> guard(mutex_);
    return buffers_;
  }
  size_t Count() {
    std::lock_guard<std::mutex> guard(mutex_);
    return buffers_.size();
  }

 private:
  std::mutex mutex_;
  std::vector<Buffer> buffers_;
};

int RisingCrossings(const std::vector<int16_t>& samples) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) ++crossings;
  }
  return crossings;
}

TEST_F(SimMicTest, SecondMicrophoneStreamsItsToneThroughTheCaptureBuilderIntoASampleGrabber) {
  ComPtr<IBaseFilter> microphone;
  HRESULT hr = BindMicrophone("Simulated Microphone 2", &microphone);
  ASSERT_EQ(S_OK, hr) << std::hex << hr;
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> grabber_filter, null_renderer;
  ComPtr<ISampleGrabber> grabber;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&graph)));
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&builder)));
  ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
  ASSERT_EQ(S_OK, CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&grabber_filter)));
  ASSERT_EQ(S_OK, grabber_filter->QueryInterface(
                      IID_ISampleGrabber, reinterpret_cast<void**>(grabber.GetAddressOf())));
  ASSERT_EQ(S_OK, CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&null_renderer)));
  ASSERT_EQ(S_OK, graph->AddFilter(microphone.Get(), L"Audio Device"));
  ASSERT_EQ(S_OK, graph->AddFilter(grabber_filter.Get(), L"Grabber"));
  ASSERT_EQ(S_OK, graph->AddFilter(null_renderer.Get(), L"NULL renderer"));
  AM_MEDIA_TYPE wanted = {};
  wanted.majortype = MEDIATYPE_Audio;
  wanted.subtype = MEDIASUBTYPE_PCM;
  ASSERT_EQ(S_OK, grabber->SetMediaType(&wanted));
  PcmCollector collector;
  ASSERT_EQ(S_OK, grabber->SetCallback(&collector, 0));

  hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, microphone.Get(),
                             grabber_filter.Get(), null_renderer.Get());
  ASSERT_EQ(S_OK, hr) << std::hex << hr;
  AM_MEDIA_TYPE connected = {};
  ASSERT_EQ(S_OK, grabber->GetConnectedMediaType(&connected));
  ASSERT_TRUE(IsEqualGUID(FORMAT_WaveFormatEx, connected.formattype));
  ASSERT_GE(connected.cbFormat, sizeof(WAVEFORMATEX));
  const auto* format = reinterpret_cast<const WAVEFORMATEX*>(connected.pbFormat);
  EXPECT_EQ(WAVE_FORMAT_PCM, format->wFormatTag);
  EXPECT_EQ(1, format->nChannels);
  EXPECT_EQ(44100u, format->nSamplesPerSec);
  EXPECT_EQ(16, format->wBitsPerSample);
  CoTaskMemFree(connected.pbFormat);
  if (connected.pUnk) connected.pUnk->Release();

  ComPtr<IMediaControl> control;
  ASSERT_EQ(S_OK, graph.As(&control));
  hr = control->Run();
  ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  EXPECT_TRUE(kvo::test::WaitUntil([&] { return collector.Count() >= 6; }, 10000))
      << "buffers after 10 s: " << collector.Count();
  // A pause and a new run: the stream goes on in stream time, it does not start again at 0.
  hr = control->Pause();
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  const size_t before_pause = collector.Count();
  hr = control->Run();
  ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  EXPECT_TRUE(kvo::test::WaitUntil([&] { return collector.Count() >= before_pause + 6; }, 10000))
      << "buffers after the new run: " << collector.Count() - before_pause;
  hr = control->Stop();
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;

  const std::vector<PcmCollector::Buffer> buffers = collector.Take();
  ASSERT_GE(buffers.size(), 12u);
  std::vector<int16_t> all;
  for (size_t i = 0; i < buffers.size(); ++i) {
    SCOPED_TRACE("buffer " + std::to_string(i));
    EXPECT_EQ(4410u, buffers[i].samples.size());
    // 100 ms each, one right after the other in stream time, across the pause too.
    EXPECT_EQ(static_cast<REFERENCE_TIME>(i) * 1000000, buffers[i].start);
    EXPECT_EQ(buffers[i].start + 1000000, buffers[i].stop);
    all.insert(all.end(), buffers[i].samples.begin(), buffers[i].samples.end());
  }
  // The second microphone's tone is 880 Hz at amplitude 8000.
  const double seconds = all.size() / 44100.0;
  EXPECT_NEAR(880.0, RisingCrossings(all) / seconds, 10.0);
  int peak = 0;
  for (int16_t sample : all) peak = std::max(peak, std::abs(static_cast<int>(sample)));
  EXPECT_NEAR(8000, peak, 50);

  control.Reset();
  grabber->SetCallback(nullptr, 0);
  grabber.Reset();
  grabber_filter.Reset();
  null_renderer.Reset();
  microphone.Reset();
  builder.Reset();
  graph.Reset();
}

HRESULT FreeInputOf(IBaseFilter* filter, ComPtr<IPin>* free_input) {
  ComPtr<IEnumPins> pins;
  HRESULT hr = filter->EnumPins(&pins);
  if (FAILED(hr)) return hr;
  ComPtr<IPin> pin, peer;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION direction;
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT &&
        pin->ConnectedTo(peer.ReleaseAndGetAddressOf()) == VFW_E_NOT_CONNECTED) {
      *free_input = pin;
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

// Wine's AVI Mux takes video only: an audio stream cannot be connected to it (directly:
// E_NOTIMPL). Through the capture graph builder the audio RenderStream fails with
// VFW_E_CANNOT_CONNECT and leaves the Smart Tee it put in front of the microphone in the
// graph. A recording asked to include sound therefore holds the video alone, and that
// video is intact. (On Windows the mux takes the PCM stream; this shows what Wine allows.)
TEST_F(SimMicTest, WineAviMuxRefusesTheAudioStreamAndRecordsTheVideoAlone) {
  const std::string path = kvo_test::FreshTempFile("kvo_mic_and_video.avi");
  kvo_test::PushSourceSettings settings;
  settings.frames = 10;
  kvo_test::RecordingGraph recording;
  HRESULT hr = kvo_test::BuildRecordingGraph(kvo_test::Wide(path), settings, &recording);
  ASSERT_EQ(S_OK, hr) << std::hex << hr;

  ComPtr<IBaseFilter> microphone;
  hr = BindMicrophone("Simulated Microphone 1", &microphone);
  ASSERT_EQ(S_OK, hr) << std::hex << hr;
  ASSERT_EQ(S_OK, recording.graph->AddFilter(microphone.Get(), L"Audio Device"));
  ComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&builder)));
  ASSERT_EQ(S_OK, builder->SetFiltergraph(recording.graph.Get()));
  hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, microphone.Get(), nullptr,
                             recording.mux.Get());
  EXPECT_EQ(VFW_E_CANNOT_CONNECT, hr) << std::hex << hr;

  ComPtr<IPin> microphone_pin, tee_input;
  ASSERT_EQ(S_OK, microphone->FindPin(L"Capture", &microphone_pin));
  ComPtr<IBaseFilter> tee;
  if (microphone_pin->ConnectedTo(&tee_input) == S_OK) {
    PIN_INFO info = {};
    ASSERT_EQ(S_OK, tee_input->QueryPinInfo(&info));
    tee.Attach(info.pFilter);
    CLSID clsid = GUID_NULL;
    tee->GetClassID(&clsid);
    EXPECT_TRUE(IsEqualCLSID(CLSID_SmartTee, clsid)) << "left behind: not the Smart Tee";
  }

  // The recording runs with the leftover in the graph.
  hr = kvo_test::RecordAllFrames(recording, 20000);
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;

  // Straight onto the mux's free input, the microphone is refused.
  if (tee) {
    ASSERT_EQ(S_OK, recording.graph->RemoveFilter(tee.Get()));
  }
  ComPtr<IPin> mux_input;
  ASSERT_EQ(S_OK, FreeInputOf(recording.mux.Get(), &mux_input));
  hr = recording.graph->ConnectDirect(microphone_pin.Get(), mux_input.Get(), nullptr);
  EXPECT_EQ(E_NOTIMPL, hr) << std::hex << hr;

  mux_input.Reset();
  tee.Reset();
  tee_input.Reset();
  microphone_pin.Reset();
  microphone.Reset();
  builder.Reset();
  recording.Release();

  const auto bytes = kvo::test::ReadFileBytes(path);
  ASSERT_TRUE(bytes.has_value());
  const kvo::AviReadResult read = kvo::ReadAvi(*bytes);
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(1u, read.file.streams.size());
  EXPECT_EQ("vids", read.file.streams[0].type);
  EXPECT_EQ(10u, kvo::FramesOf(read.file, 0));
}

}  // namespace
