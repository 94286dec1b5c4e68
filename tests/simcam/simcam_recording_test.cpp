// Three seconds from the simulated camera through Wine's AVI Mux into the suite's file
// sink, read back by the test AVI parser.
#include <gtest/gtest.h>

#include <cstdio>

#include "avi_file.h"
#include "avi_file_sink.h"
#include "e2e.h"
#include "graph_rig.h"
#include "simcam_control.h"
#include "unique_resource.h"
#include "wide_text.h"

namespace kvo::simcam {
namespace {

using Microsoft::WRL::ComPtr;

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

HRESULT ChooseCaptureSize(rig::GraphRig& graph, int width, int height) {
  ComPtr<IAMStreamConfig> config;
  HRESULT hr = graph.builder()->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                              graph.camera(), IID_IAMStreamConfig,
                                              reinterpret_cast<void**>(config.GetAddressOf()));
  if (FAILED(hr)) return hr;
  int count = 0, size = 0;
  hr = config->GetNumberOfCapabilities(&count, &size);
  if (FAILED(hr)) return hr;
  std::vector<BYTE> caps(size);
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* type = nullptr;
    if (config->GetStreamCaps(i, &type, caps.data()) != S_OK) continue;
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
    if (info->bmiHeader.biWidth == width && info->bmiHeader.biHeight == height)
      hr = config->SetFormat(type);
    else
      hr = S_FALSE;
    CoTaskMemFree(type->pbFormat);
    CoTaskMemFree(type);
    if (hr == S_OK) return S_OK;
  }
  return VFW_E_NOT_FOUND;
}

TEST(SimCamRecordingTest, ThreeSecondsThroughTheMuxGiveAboutNinetyFramesOfTheChosenSize) {
  ComApartment apartment;
  ASSERT_TRUE(apartment.ok());
  ASSERT_TRUE(ResetCamera());
  const std::string path = test::BinDir() + "\\simcam_recording.avi";
  DeleteFileA(path.c_str());
  {
    rig::GraphRig graph;
    HRESULT hr = graph.Create();
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    ASSERT_EQ(S_OK, hr = ChooseCaptureSize(graph, 320, 240)) << Hex(hr);
    ComPtr<IBaseFilter> mux, sink;
    const std::wstring wide_path = AnsiToWide(path.c_str());
    ASSERT_EQ(S_OK, hr = AddAviFileOutput(graph.graph(), wide_path.c_str(),
                                          mux.GetAddressOf(), sink.GetAddressOf()))
        << Hex(hr);
    hr = graph.builder()->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, graph.camera(),
                                       nullptr, mux.Get());
    ASSERT_EQ(S_OK, hr) << "capture into the mux: " << Hex(hr);
    ASSERT_EQ(S_OK, hr = graph.RenderPreview()) << Hex(hr);
    ASSERT_TRUE(SUCCEEDED(hr = graph.Run())) << Hex(hr);
    rig::PumpMessages(3000);
    graph.Stop();
  }
  EXPECT_EQ(0, LiveObjects());
  const auto bytes = test::ReadFileBytes(path);
  ASSERT_TRUE(bytes);
  const AviReadResult avi = ReadAvi(*bytes);
  ASSERT_TRUE(avi.ok) << avi.error;
  ASSERT_EQ(1u, avi.file.streams.size());
  const AviStream& video = avi.file.streams[0];
  EXPECT_EQ("vids", video.type);
  EXPECT_EQ(320, video.width);
  EXPECT_EQ(240, video.height);
  EXPECT_EQ(24, video.bit_count);
  const uint32_t frames = FramesOf(avi.file, 0);
  EXPECT_GE(frames, 80u);
  EXPECT_LE(frames, 95u);
  EXPECT_EQ(320u * 240u * 3u, video.largest_chunk);
}

}  // namespace
}  // namespace kvo::simcam
