#include "still_frame.h"

#include <cstring>

namespace kvo {

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
