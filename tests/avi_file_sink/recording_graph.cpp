#include "recording_graph.h"

#include "avi_file_sink.h"
#include "dshow/pins.h"
#include "e2e.h"
#include "unique_resource.h"
#include "wide_text.h"

using Microsoft::WRL::ComPtr;

namespace kvo_test {

void RecordingGraph::Release() {
  if (graph && sink) kvo::FinishAviFileOutput(graph.Get(), sink.Get());
  source.Reset();
  mux.Reset();
  sink.Reset();
  events.Reset();
  control.Reset();
  graph.Reset();
}

HRESULT BuildRecordingGraph(const std::wstring& path, const PushSourceSettings& settings,
                            RecordingGraph* recording) {
  RecordingGraph built;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&built.graph));
  if (FAILED(hr)) return hr;
  if (FAILED(hr = built.graph.As(&built.control))) return hr;
  hr = built.graph->QueryInterface(IID_IMediaEvent,
                                 reinterpret_cast<void**>(built.events.GetAddressOf()));
  if (FAILED(hr)) return hr;
  if (FAILED(hr = CreatePushSource(settings, &built.source))) return hr;
  if (FAILED(hr = built.graph->AddFilter(built.source.Get(), L"Source"))) return hr;
  hr = kvo::AddAviFileOutput(built.graph.Get(), path.c_str(), &built.mux, &built.sink);
  if (FAILED(hr)) return hr;
  ComPtr<IPin> source_pin, mux_input;
  if (FAILED(hr = built.source->FindPin(L"Out", &source_pin))) return hr;
  if (FAILED(hr = kvo::dshow::FirstPinOf(built.mux.Get(), PINDIR_INPUT, &mux_input))) return hr;
  hr = built.graph->ConnectDirect(source_pin.Get(), mux_input.Get(), nullptr);
  if (FAILED(hr)) return hr;
  *recording = std::move(built);
  return S_OK;
}

HRESULT RecordAllFrames(RecordingGraph& recording, DWORD timeout_ms) {
  const HRESULT run = recording.control->Run();
  if (FAILED(run)) {
    recording.control->Stop();
    return run;
  }
  WaitForSourceToEnd(recording, timeout_ms);
  return recording.control->Stop();
}

bool WaitForSourceToEnd(const RecordingGraph& recording, DWORD timeout_ms) {
  IBaseFilter* source = recording.source.Get();
  return kvo::test::WaitUntil([&] { return PushSourceFinished(source); }, timeout_ms);
}

bool WaitForGraphEvent(IMediaEvent* events, long code, DWORD timeout_ms, LONG_PTR* first) {
  const DWORD start = GetTickCount();
  for (;;) {
    long got = 0;
    LONG_PTR one = 0, two = 0;
    if (events->GetEvent(&got, &one, &two, 50) == S_OK) {
      events->FreeEventParams(got, one, two);
      if (got == code) {
        if (first) *first = one;
        return true;
      }
    }
    if (GetTickCount() - start >= timeout_ms) return false;
  }
}

bool FileIsClosed(const std::string& path) {
  kvo::UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

std::string FreshTempFile(const char* name) {
  char folder[MAX_PATH] = {};
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  std::string path = (length > 0 && length < MAX_PATH) ? folder : "C:\\";
  path += name;
  DeleteFileA(path.c_str());
  return path;
}

std::wstring Wide(const std::string& text) { return kvo::AnsiToWide(text.c_str()); }

}  // namespace kvo_test
