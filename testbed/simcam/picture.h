// The simulated camera's moving test picture: colour bars over a grey ramp, a box that
// moves with the frame number, the frame number and clock, all passed through what the
// camera was sent (zoom and pan, mirror, flip, brightness, contrast, black-and-white,
// effects, frames, the overlay bitmap). Plain C++: drawn into a caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "property_store.h"

namespace kvo::simcam {

// A bitmap laid over the picture (id 34): 3 bytes per pixel (blue, green, red), top row
// first. Pixels of pure blue (the colour the zoom banner is drawn on) are transparent.
struct OverlayImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  bool empty() const { return width <= 0 || height <= 0; }
};

// The overlay from the bytes of a .bmp file: uncompressed 24 or 32 bits per pixel, either
// row order, at most 4096 x 4096. An empty image for anything else.
OverlayImage OverlayFromBmp(const uint8_t* bytes, size_t size);

struct PictureClock {
  uint32_t frame_number = 0;
  uint32_t seconds_of_day = 0;  // the clock shown, hh:mm:ss
};

// Draws the picture as a bottom-up 24-bit image (the platform's RGB24 layout): row 0 of
// the buffer is the bottom row; stride bytes per row (at least width * 3).
void RenderPicture(const CameraSettings& settings, const OverlayImage& overlay,
                   const PictureClock& clock, int width, int height, uint8_t* bottom_up,
                   size_t stride);

// The colour a bar of the unprocessed picture has, left to right (blue, green, red).
struct Bgr {
  uint8_t blue, green, red;
};
constexpr int kBarCount = 8;
Bgr BarColour(int bar);

}  // namespace kvo::simcam
