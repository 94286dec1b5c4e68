#include "dib_bitmap.h"

namespace kvo {

std::size_t DibBitmap::RowStride(int width) {
  if (width <= 0) return 0;
  return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

void DibBitmap::SetWidth(int width) {
  width_ = width;
  Allocate();
}

void DibBitmap::SetHeight(int height) {
  height_ = height;
  Allocate();
}

void DibBitmap::Allocate() {
  const bool sides_valid = width_ > 0 && width_ <= kMaxSide && height_ > 0 &&
                           height_ <= kMaxSide;
  if (!sides_valid) {
    pixels_.clear();
    return;
  }
  pixels_.assign(RowStride(width_) * static_cast<std::size_t>(height_), 0);
}

unsigned char* DibBitmap::ScanLine(int row) {
  if (empty() || row < 0 || row >= height_) return nullptr;
  return pixels_.data() + static_cast<std::size_t>(row) * stride();
}

const std::uint8_t* DibBitmap::Row(int row) const {
  if (empty() || row < 0 || row >= height_) return nullptr;
  return pixels_.data() + static_cast<std::size_t>(row) * stride();
}

}  // namespace kvo
