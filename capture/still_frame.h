// The still-frame bitmap and the copy of one grabbed RGB24 frame into it. Plain C++: the
// streaming thread's copy is tested natively with sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvo {

// A 24-bit-per-pixel picture, row 0 at the top, rows padded to four bytes as in a device
// independent bitmap, so it can be handed to the platform as it is.
class Bitmap24 {
 public:
  // The largest side accepted; keeps every size computation far from overflow.
  static constexpr int kMaxSide = 16384;

  static std::size_t RowStride(int width);

  // Returns false and keeps the picture when a side is not in 1..kMaxSide.
  bool Resize(int width, int height);
  void Clear();

  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t stride() const { return RowStride(width_); }
  const std::uint8_t* Row(int y) const { return pixels_.data() + y * stride(); }
  std::uint8_t* Row(int y) { return pixels_.data() + y * stride(); }
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

// The bytes a bottom-up RGB24 frame of these sides fills, rows padded to four bytes; 0 when
// a side is not in 1..kMaxSide. Takes the sides as the pin's format states them.
std::size_t BottomUpFrameBytes(long long width, long long height);

// Copies a bottom-up RGB24 frame (first buffer row = bottom picture row, rows padded to
// four bytes) into the bitmap, top row first. A frame size out of range or a buffer
// shorter than the frame needs leaves the bitmap untouched and returns false.
bool CopyBottomUpFrame(const std::uint8_t* buffer, std::size_t length, int width, int height,
                       Bitmap24& bitmap);

}  // namespace kvo
