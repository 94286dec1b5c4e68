// Bitmap24: the suite's one 24-bit picture. Blue, green, red per pixel, row 0 at the top,
// rows padded to four bytes as in a device-independent bitmap, so the platform draws it
// as it is and the JPEG writer reads it row by row. The capture panel copies grabbed frames
// into it; the camera application has the camera library fill it. Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvo {

class Bitmap24 {
 public:
  // The largest side accepted; keeps every size computation far from overflow.
  static constexpr int kMaxSide = 16384;

  static bool SideInRange(int side) { return side > 0 && side <= kMaxSide; }
  static std::size_t RowStride(int width);

  // A zeroed picture of that size; false, with the picture kept, when a side is not in
  // 1..kMaxSide.
  bool Resize(int width, int height);
  void Clear();

  bool empty() const { return pixels_.empty(); }
  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t stride() const { return RowStride(width_); }
  // The row's first byte, or null for a row outside the picture.
  const std::uint8_t* Row(int y) const;
  std::uint8_t* Row(int y);
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace kvo
