#include "still_frame.h"

#include <cstring>

namespace kvo {

bool CopyBottomUpFrame(const std::uint8_t* buffer, std::size_t length, int width, int height,
                       Bitmap24& bitmap) {
  if (buffer == nullptr || !Bitmap24::SideInRange(width) || !Bitmap24::SideInRange(height)) {
    return false;
  }
  const std::size_t source_stride = Bitmap24::RowStride(width);
  if (length < source_stride * static_cast<std::size_t>(height)) return false;
  if (!bitmap.Resize(width, height)) return false;
  const std::size_t row_bytes = static_cast<std::size_t>(width) * 3;
  for (int i = 0; i < height; ++i) {
    std::memcpy(bitmap.Row(height - 1 - i), buffer + static_cast<std::size_t>(i) * source_stride,
                row_bytes);
  }
  return true;
}

}  // namespace kvo
