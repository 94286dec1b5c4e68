#include "sample_grabber_cb.h"

#include <vector>

#include "error_barrier.h"

namespace kvo {

CSampleGrabberCB GrabberCB;
std::atomic<bool> StillRequested{false};
std::atomic<bool> StillDone{false};
CriticalSection StillLock;
Bitmap24 StillBitmap;
void (*StillCopyObserver)() = nullptr;
AM_MEDIA_TYPE GrabberMediaType{};

namespace {
// The format block GrabberMediaType refers to; the pin's own block is freed after use.
std::vector<BYTE> grabber_format_block;
}  // namespace

void KeepGrabberMediaType(const AM_MEDIA_TYPE& type) {
  grabber_format_block.assign(type.pbFormat, type.pbFormat + (type.pbFormat ? type.cbFormat : 0));
  GrabberMediaType = type;
  GrabberMediaType.pUnk = nullptr;
  GrabberMediaType.pbFormat = grabber_format_block.empty() ? nullptr : grabber_format_block.data();
  GrabberMediaType.cbFormat = static_cast<ULONG>(grabber_format_block.size());
}

STDMETHODIMP CSampleGrabberCB::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_ISampleGrabberCB || iid == IID_IUnknown) {
    *object = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP CSampleGrabberCB::BufferCB(double, BYTE* buffer, long length) {
  FramesSeen.fetch_add(1, std::memory_order_relaxed);
  if (!StillRequested.load()) return S_OK;
  // The copy allocates the still's pixels. Should that fail, the still is not taken and
  // StillImg's bounded wait answers false.
  return ComBarrier([&] {
    TakeRequestedFrame(buffer, length);
    return S_OK;
  });
}

void CSampleGrabberCB::TakeRequestedFrame(const BYTE* buffer, long length) {
  Lock lock(StillLock);
  // A buffer too short for the frame is left alone and the request stays pending, so the
  // next full frame answers it.
  const LONG width = Width;
  const LONG height = Height;
  const std::size_t needed = BottomUpFrameBytes(width, height);
  if (needed == 0 || buffer == nullptr || length < 0 || static_cast<std::size_t>(length) < needed) {
    return;
  }
  bool expected = true;
  // The GUI thread may have withdrawn the request after its wait ran out.
  if (!StillRequested.compare_exchange_strong(expected, false)) return;
  if (StillCopyObserver != nullptr) StillCopyObserver();
  CopyBottomUpFrame(buffer, static_cast<std::size_t>(length), width, height, StillBitmap);
  StillDone.store(true);
}

}  // namespace kvo
