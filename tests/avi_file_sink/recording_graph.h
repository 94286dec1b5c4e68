// A recording graph for the sink's tests: a video source, Wine's AVI Mux and the sink.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <string>

#include "push_source.h"

namespace kvo_test {

struct RecordingGraph {
  Microsoft::WRL::ComPtr<IGraphBuilder> graph;
  Microsoft::WRL::ComPtr<IMediaControl> control;
  Microsoft::WRL::ComPtr<IMediaEvent> events;
  Microsoft::WRL::ComPtr<IBaseFilter> source;
  Microsoft::WRL::ComPtr<IBaseFilter> mux;
  Microsoft::WRL::ComPtr<IBaseFilter> sink;

  // Finishes the sink's file as every owner of a recording graph must (a failed file is
  // abandoned, so that Wine's mux can stop), then releases every reference, the graph last.
  void Release();
};

// Builds source -> AVI Mux -> sink writing `path`.
HRESULT BuildRecordingGraph(const std::wstring& path, const PushSourceSettings& settings,
                            RecordingGraph* recording);

// Runs the graph until the source's stream has ended (or `timeout_ms` passed), then stops
// it. Returns the first failing HRESULT of Run or Stop.
HRESULT RecordAllFrames(RecordingGraph& recording, DWORD timeout_ms);

// Waits until the source pushes no more. Stop only then: Wine's mux has no guard against a
// frame that arrives after its own Stop (the graph stops it before the source) and crashes
// on it.
bool WaitForSourceToEnd(const RecordingGraph& recording, DWORD timeout_ms);

// Waits for an event of `code` from the graph, freeing the others; true with its first
// parameter when one came.
bool WaitForGraphEvent(IMediaEvent* events, long code, DWORD timeout_ms, LONG_PTR* first);

// True when nobody has the file open: an exclusive open succeeds.
bool FileIsClosed(const std::string& path);

// A file in the prefix's temporary folder, removed first if it exists.
std::string FreshTempFile(const char* name);

std::wstring Wide(const std::string& text);

}  // namespace kvo_test
