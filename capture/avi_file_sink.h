// TAviFileSink: a renderer filter that writes a multiplexer's byte stream to a file.
//
// Wine's AVI Mux writes its output through an IStream it takes from the pin downstream of
// it, and Wine's own file writer offers none, so the recording branch ends in this filter:
//
//   Microsoft::WRL::ComPtr<IBaseFilter> mux, sink;
//   HRESULT hr = kvo::AddAviFileOutput(graph, L"c:\\temp.avi", &mux, &sink);
//   // then RenderStream(PIN_CATEGORY_CAPTURE, MEDIATYPE_Video, source, nullptr, mux)
//
// The sink creates (and truncates) the file when the graph pauses from stopped, and keeps
// it open after Stop, because the mux writes the AVI headers in its own Stop, which runs
// after the sink's. The file is closed when the input pin is disconnected, when a new file
// name is set, when the next recording starts, or when the filter is released.
//
// A failed create, write, seek or resize is reported once per run through the graph's
// IMediaEventSink as EC_ERRORABORT with HRESULT_FROM_WIN32(GetLastError()) as its first
// parameter (0x80070070 for a full disk, 0x80070003 for a missing folder). The graph's Run
// does not fail for it, so a preview in the same graph goes on. Once the sink is stopped,
// failed writes are answered as done: Wine's mux fails its own Stop on a failed header
// write and then stays running, and such a graph can never be released.
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

// Number of the sink's COM objects (filters, enumerators) alive in this process; tests
// check that it returns to zero once a graph is released.
LONG AviFileSinkLiveObjects();

}  // namespace kvo
