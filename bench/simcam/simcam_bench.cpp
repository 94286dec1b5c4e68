// The simulated camera at 640 x 480, 30 frames a second, with preview and sample grabber:
// frames delivered and late, and the filter's own CPU time (its streaming threads).
//   simcam_bench [SECONDS]     default 60
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graph_rig.h"
#include "picture.h"
#include "simcam_control.h"
#include "unique_resource.h"

namespace {

using namespace kvo::simcam;

double RenderMicroseconds(int width, int height, int rounds) {
  std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 3);
  const CameraSettings settings = DefaultSettings();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i)
    RenderPicture(settings, OverlayImage(), PictureClock{static_cast<uint32_t>(i), 0}, width,
                  height, frame.data(), static_cast<size_t>(width) * 3);
  const auto spent = std::chrono::steady_clock::now() - start;
  return std::chrono::duration<double, std::micro>(spent).count() / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  if (seconds <= 0 || seconds > 3600) {
    std::fprintf(stderr, "usage: simcam_bench [SECONDS 1-3600]\n");
    return 2;
  }
  kvo::ComApartment apartment;
  rig::GraphRig graph;
  HRESULT hr = graph.Create();
  if (SUCCEEDED(hr)) hr = graph.RenderPreview();
  if (SUCCEEDED(hr)) hr = graph.AddGrabber();
  if (FAILED(hr)) {
    std::fprintf(stderr, "graph: 0x%08lX\n", static_cast<unsigned long>(hr));
    return 1;
  }
  const SimCamStats before = StreamStats();
  const auto start = std::chrono::steady_clock::now();
  if (FAILED(hr = graph.Run())) {
    std::fprintf(stderr, "run: 0x%08lX\n", static_cast<unsigned long>(hr));
    return 1;
  }
  rig::PumpMessages(static_cast<DWORD>(seconds) * 1000);
  const SimCamStats after = StreamStats();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  graph.Stop();
  const long grabbed = graph.counter().frames();
  graph.TearDown();

  const double cpu = (after.cpu_time_100ns - before.cpu_time_100ns) / 1e7;
  const uint64_t delivered = after.frames_delivered - before.frames_delivered;
  std::printf("simulated camera, 640 x 480 RGB24 at 30 fps, preview + grabber, %d s\n\n", seconds);
  std::printf("%-40s %12s\n", "measure", "value");
  std::printf("%-40s %12.1f\n", "wall time (s)", wall);
  std::printf("%-40s %12ld\n", "frames at the grabber", grabbed);
  std::printf("%-40s %12.1f\n", "frames expected (30 per s)", wall * 30);
  std::printf("%-40s %12llu\n", "frames delivered (both pins)",
              static_cast<unsigned long long>(delivered));
  std::printf("%-40s %12llu\n", "frames late (> 1 interval)",
              static_cast<unsigned long long>(after.frames_late - before.frames_late));
  std::printf("%-40s %12.2f\n", "filter CPU time (s)", cpu);
  std::printf("%-40s %12.2f\n", "filter share of one core (%)", 100.0 * cpu / wall);
  std::printf("%-40s %12.1f\n", "picture 640 x 480, one frame (us)", RenderMicroseconds(640, 480, 200));
  return 0;
}
