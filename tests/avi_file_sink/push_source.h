// A minimal video source for the sink's tests: when the graph runs it pushes a fixed
// number of RGB24 frames, time-stamped one frame period apart, and then waits. It does the
// whole connection itself (type, then allocator), as Wine's graph expects of a source.
#pragma once

#include <windows.h>
#include <dshow.h>

namespace kvo_test {

struct PushSourceSettings {
  LONG width = 160;
  LONG height = 120;
  LONG frames = 30;
  REFERENCE_TIME frame_period = 333333;  // 30 frames a second
};

HRESULT CreatePushSource(const PushSourceSettings& settings, IBaseFilter** source);

// Frames the source handed downstream since its last Run (Receive returned S_OK).
LONG PushSourceDelivered(IBaseFilter* source);
// Frames whose delivery failed since its last Run.
LONG PushSourceRefused(IBaseFilter* source);
// True once the source has pushed the last frame of this run, taken or refused.
bool PushSourceFinished(IBaseFilter* source);

}  // namespace kvo_test
