// TAviFileSink: a renderer filter that writes a multiplexer's byte stream to a file.
//
// Wine's AVI Mux writes its output through an IStream it takes from the pin downstream of
// it, and Wine's own file writer offers none, so the recording branch ends in this filter:
//
//   Microsoft::WRL::ComPtr<IBaseFilter> mux, sink;
//   HRESULT hr = kvo::AddAviFileOutput(graph, L"c:\\temp.avi", &mux, &sink);
//   // then RenderStream(PIN_CATEGORY_CAPTURE, MEDIATYPE_Video, source, nullptr, mux)
//
// The sink creates its file when the graph pauses from stopped, with CREATE_NEW: a file of
// that name that is already there, however it got there, is never overwritten (the run
// fails as below with 0x80070050). A later run of the same sink while it still holds the
// file it made starts that file afresh through its own handle. The file stays open after
// Stop, because the mux writes the AVI headers in its own Stop, which runs after the
// sink's. It is closed when the input pin is disconnected, when a new file name is set, or
// when the filter is released.
//
// A failed create, write, seek or resize is reported once per run through the graph's
// IMediaEventSink as EC_ERRORABORT with HRESULT_FROM_WIN32(GetLastError()) as its first
// parameter (0x80070070 for a full disk, 0x80070003 for a missing folder), and kept for the
// owner (IAviFileSinkStatus). The graph's Run does not fail for it, so a preview in the
// same graph goes on. The writer is always told the truth: a failed write is answered
// with its error and the count of the bytes that did reach the file.
//
// Wine's mux fails its own Stop when a write of its headers or index fails and then stays
// running, and a graph with a running filter can never be released. So the owner of a
// recording graph calls FinishAviFileOutput after the graph stopped and before releasing it.
#pragma once

#include <windows.h>
#include <dshow.h>

namespace kvo {

// {71E2721C-E028-49C1-9499-8742A4C76076}
extern const CLSID CLSID_AviFileSink;

// Creates a sink filter (IBaseFilter; also IFileSinkFilter) with no file name yet.
HRESULT CreateAviFileSink(IBaseFilter** sink);

// The recording output that the capture graph builder cannot make under Wine: creates an
// AVI Mux (interleave mode full) and a sink writing to `path`, adds both to `graph` under
// the names "AVI Mux" and "File Writer", and connects the mux's output to the sink. On
// success hands out both filters (either pointer may be null if not wanted); on failure
// removes what it added and returns the error.
HRESULT AddAviFileOutput(IGraphBuilder* graph, const wchar_t* path, IBaseFilter** mux,
                         IBaseFilter** sink);

// What the owner of a recording asks the sink (besides IBaseFilter and IFileSinkFilter).
// {5B0C2E57-7A43-4C58-9F0B-3D6A1E2C8B14}
extern const IID IID_IAviFileSinkStatus;
struct IAviFileSinkStatus : public IUnknown {
  // The first failure of the file in the current or the last run (creating, writing,
  // seeking or sizing it); S_OK when there was none.
  virtual HRESULT STDMETHODCALLTYPE FileFailure() = 0;
  // Gives the file up for good: it is closed and never touched again, and from now on the
  // pin's stream writes to the null device, so that a writer that must finish (Wine's mux
  // in its Stop) can complete and stop. Only for a file whose failure has been read.
  virtual HRESULT STDMETHODCALLTYPE AbandonFile() = 0;
};

// For the owner of a recording graph, after the graph's Stop and before its release:
// returns the first failure of the sink's file in its last run (S_OK when the file was
// written whole, E_NOINTERFACE when `sink` is not our sink). A failed file is abandoned
// and every filter of `graph` that its failure left running is stopped.
HRESULT FinishAviFileOutput(IFilterGraph* graph, IBaseFilter* sink);

// Stops every filter of `graph` that does not report itself stopped (a filter whose Stop
// failed, or that a failed Run left paused), so that the graph can be released.
void StopFiltersStillRunning(IFilterGraph* graph);

// Number of the sink's COM objects (filters, enumerators) alive in this process; tests
// check that it returns to zero once a graph is released.
LONG AviFileSinkLiveObjects();

}  // namespace kvo
