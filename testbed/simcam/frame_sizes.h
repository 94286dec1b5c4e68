// The frame sizes the simulated camera offers, all bottom-up RGB24 at 30 frames a second.
#pragma once

#include <cstdint>

namespace kvo::simcam {

struct FrameSize {
  int width;
  int height;
};

constexpr FrameSize kFrameSizes[] = {{160, 120}, {176, 144}, {320, 240}, {640, 480},
                                     {1280, 1024}};
constexpr int kFrameSizeCount = static_cast<int>(sizeof(kFrameSizes) / sizeof(kFrameSizes[0]));
constexpr FrameSize kDefaultFrameSize = {640, 480};
constexpr int64_t kFrameInterval = 333333;  // 100 ns units: 30 frames a second
constexpr int kFramesPerSecond = 30;

constexpr bool IsOfferedSize(int width, int height) {
  for (const FrameSize& size : kFrameSizes)
    if (size.width == width && size.height == height) return true;
  return false;
}

}  // namespace kvo::simcam
