#include "still_frame.h"

#include <cstring>

namespace kvo {

namespace {
bool SideInRange(int side) { return side > 0 && side <= Bitmap24::kMaxSide; }
}  // namespace

std::size_t Bitmap24::RowStride(int width) {
  if (width <= 0) return 0;
  return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

bool Bitmap24::Resize(int width, int height) {
  if (!SideInRange(width) || !SideInRange(height)) return false;
  pixels_.assign(RowStride(width) * static_cast<std::size_t>(height), 0);
  width_ = width;
  height_ = height;
  return true;
}

void Bitmap24::Clear() {
  pixels_.clear();
  width_ = 0;
  height_ = 0;
}

std::size_t BottomUpFrameBytes(long long width, long long height) {
  if (width <= 0 || width > Bitmap24::kMaxSide || height <= 0 || height > Bitmap24::kMaxSide) {
    return 0;
  }
  return Bitmap24::RowStride(static_cast<int>(width)) * static_cast<std::size_t>(height);
}

bool CopyBottomUpFrame(const std::uint8_t* buffer, std::size_t length, int width, int height,
                       Bitmap24& bitmap) {
  const std::size_t needed = BottomUpFrameBytes(width, height);
  if (buffer == nullptr || needed == 0 || length < needed) return false;
  const std::size_t source_stride = Bitmap24::RowStride(width);
  if (!bitmap.Resize(width, height)) return false;
  const std::size_t row_bytes = static_cast<std::size_t>(width) * 3;
  for (int i = 0; i < height; ++i) {
    std::memcpy(bitmap.Row(height - 1 - i), buffer + static_cast<std::size_t>(i) * source_stride,
                row_bytes);
  }
  return true;
}

}  // namespace kvo
