#include "bitmap24.h"

namespace kvo {

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

const std::uint8_t* Bitmap24::Row(int y) const {
  if (y < 0 || y >= height_) return nullptr;
  return pixels_.data() + static_cast<std::size_t>(y) * stride();
}

std::uint8_t* Bitmap24::Row(int y) {
  return const_cast<std::uint8_t*>(static_cast<const Bitmap24&>(*this).Row(y));
}

}  // namespace kvo
