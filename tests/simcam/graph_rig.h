// A capture graph around the simulated camera, as the suite builds one: the camera bound
// through the system device enumerator, preview through the capture graph builder, and a
// sample grabber with a null renderer counting frames. Shared by the tests and the benchmark.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include <qedit.h>

namespace kvo::simcam::rig {

using Microsoft::WRL::ComPtr;

struct VideoDevice {
  std::string display_name;
  std::string friendly_name;
};
// The video input category as the enumerator lists it now (empty when it is empty).
std::vector<VideoDevice> ListVideoDevices();
// Binds the first video input device whose display name contains product.
HRESULT BindCamera(const char* product, ComPtr<IBaseFilter>* filter);

// Counts the grabber's BufferCB calls; keeps the last frame's length and time stamps.
class FrameCounter final : public ISampleGrabberCB {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // owned by the rig, not counted
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double, IMediaSample*) override { return S_OK; }
  STDMETHODIMP BufferCB(double time, BYTE* buffer, long length) override;

  long frames() const { return frames_.load(); }
  long last_length() const { return last_length_.load(); }
  double first_time() const { return first_time_.load(); }
  double last_time() const { return last_time_.load(); }
  // A copy of the last frame's bytes (bottom-up RGB24).
  std::vector<uint8_t> LastFrame() const;
  void Reset();

 private:
  mutable std::mutex frame_lock_;
  std::vector<uint8_t> last_frame_;
  std::atomic<long> frames_{0};
  std::atomic<long> last_length_{0};
  std::atomic<double> first_time_{-1};
  std::atomic<double> last_time_{-1};
};

class GraphRig {
 public:
  GraphRig() = default;
  ~GraphRig() { TearDown(); }
  GraphRig(const GraphRig&) = delete;
  GraphRig& operator=(const GraphRig&) = delete;

  // Graph, builder and camera; false with *hr on the first failure.
  HRESULT Create(const char* product = "vid_feed&pid_cafe");
  // RenderStream for the preview with the default renderer; returns its result.
  HRESULT RenderPreview();
  // Sample grabber (RGB24) and null renderer on the capture stream.
  HRESULT AddGrabber();
  // A failed Run stops every filter of the graph.
  HRESULT Run();
  void Stop();
  // Releases everything; the camera's last reference goes with the graph.
  void TearDown();

  IBaseFilter* camera() const { return camera_.Get(); }
  IMediaEventEx* events() const { return events_.Get(); }
  ICaptureGraphBuilder2* builder() const { return builder_.Get(); }
  IGraphBuilder* graph() const { return graph_.Get(); }
  FrameCounter& counter() { return counter_; }

 private:
  void StopEveryFilter();

  ComPtr<IGraphBuilder> graph_;
  ComPtr<ICaptureGraphBuilder2> builder_;
  ComPtr<IMediaControl> control_;
  ComPtr<IMediaEventEx> events_;
  ComPtr<IBaseFilter> camera_;
  ComPtr<ISampleGrabber> grabber_;
  FrameCounter counter_;
};

// Runs the message loop of this thread for the given time (the renderer's window lives here).
void PumpMessages(DWORD milliseconds);

// Waits for an event of this code from the graph; the first parameter goes to *first.
bool WaitForEvent(IMediaEventEx* events, long code, DWORD timeout_ms, LONG_PTR* first = nullptr);

}  // namespace kvo::simcam::rig
