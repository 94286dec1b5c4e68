// One picture per frame for all pins of a camera: the first pin to deliver a frame draws
// it, every other pin delivering within the same frame time gets a copy. A real sensor
// takes one picture per frame whatever the number of pins, and so the camera's cost per
// frame does not depend on how many pins stream.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "driver_state.h"

namespace kvo::simcam {

class SharedPicture {
 public:
  // Fills a bottom-up RGB24 buffer of width x height (rows of width * 3 bytes) with the
  // picture of this moment for the given pin: a copy of the one another pin drew less than
  // two frames ago with the same frame number and size, else a new one.
  // A pin never gets its own picture again, and the picture always shows the frame number
  // of the pin that delivers it. Returns true when it drew. Adds the time spent drawing or
  // copying to *work_100ns, the wait for another pin's picture left out.
  bool Fill(const void* pin, uint32_t frame_number, int width, int height, uint8_t* buffer,
            OverlayCache& overlay, uint64_t* work_100ns);

 private:
  std::mutex lock_;
  std::vector<uint8_t> pixels_;
  int width_ = 0;
  int height_ = 0;
  LONGLONG drawn_at_ = 0;  // performance counter when pixels_ was drawn
  const void* drawn_by_ = nullptr;
  uint32_t frame_number_ = 0;
  bool valid_ = false;
};

}  // namespace kvo::simcam
