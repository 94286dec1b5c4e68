// The grabber callback and the still-frame state shared by the GUI thread and the
// framework's streaming thread.
#pragma once

#include <dshow.h>
#include <qedit.h>

#include <atomic>

#include "critical_section.h"
#include "still_frame.h"

namespace kvo {

// One static object for the whole program, so it is not reference-counted: AddRef always
// answers 2 and Release 1.
class CSampleGrabberCB : public ISampleGrabberCB {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double, IMediaSample*) override { return S_OK; }
  // Runs on the streaming thread for every sample.
  STDMETHODIMP BufferCB(double sample_time, BYTE* buffer, long length) override;

  // The frame size of the grabbed stream, written and read under StillLock.
  LONG Width = 0;
  LONG Height = 0;
  // Frames seen since the last reset; read by the benchmark.
  std::atomic<long> FramesSeen{0};

 private:
  // The requested still's copy from the frame, when the frame is whole.
  void TakeRequestedFrame(const BYTE* buffer, long length);
};

extern CSampleGrabberCB GrabberCB;
// The GUI thread clears StillDone before it sets StillRequested; the streaming thread
// clears StillRequested before it touches StillBitmap and sets StillDone after the copy.
extern std::atomic<bool> StillRequested;
extern std::atomic<bool> StillDone;
// Held by the streaming thread from taking a request to the end of its copy, and by the
// GUI thread whenever it reads, clears or resizes StillBitmap or the grabber's frame size,
// or withdraws a request: a copy is never seen half done, nor written into a bitmap the
// GUI thread is reading.
extern CriticalSection StillLock;
extern Bitmap24 StillBitmap;
// Called on the streaming thread, under StillLock, after a request is taken and before the
// frame is copied; null in the program. Tests make the copy slow with it.
extern void (*StillCopyObserver)();
extern AM_MEDIA_TYPE GrabberMediaType;

// Hands the format block that GrabberMediaType points at to the module, replacing the
// previous one, and points GrabberMediaType at it.
void KeepGrabberMediaType(const AM_MEDIA_TYPE& type);

}  // namespace kvo
