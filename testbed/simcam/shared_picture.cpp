#include "shared_picture.h"

#include <cstring>

#include "frame_sizes.h"
#include "live_objects.h"
#include "picture.h"

namespace kvo::simcam {

bool SharedPicture::Fill(const void* pin, uint32_t frame_number, int width, int height,
                         uint8_t* buffer, OverlayCache& overlay, uint64_t* work_100ns) {
  const size_t stride = static_cast<size_t>(width) * 3;
  const size_t bytes = stride * static_cast<size_t>(height);
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  // Two frame intervals (100 ns units) in counter ticks: the pins' threads keep their own
  // schedules, so another pin's frame of the same number may come up to a frame later.
  const LONGLONG window = frequency.QuadPart * (kFrameInterval * 2) / 10000000;

  std::lock_guard<std::mutex> guard(lock_);
  StatsTimer timer(work_100ns);
  if (valid_ && pin != drawn_by_ && frame_number == frame_number_ && width == width_ &&
      height == height_ && now.QuadPart >= drawn_at_ && now.QuadPart - drawn_at_ < window) {
    std::memcpy(buffer, pixels_.data(), bytes);
    return false;
  }
  const CameraSettings settings = LoadCurrentSettings();
  PictureClock clock = ClockNow();
  clock.frame_number = frame_number;
  RenderPicture(settings, overlay.For(settings.overlay_path), clock, width, height, buffer,
                stride);
  pixels_.assign(buffer, buffer + bytes);
  width_ = width;
  height_ = height;
  drawn_at_ = now.QuadPart;
  drawn_by_ = pin;
  frame_number_ = frame_number;
  valid_ = true;
  return true;
}

}  // namespace kvo::simcam
