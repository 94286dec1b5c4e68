// DibBitmap: a 24-bit picture laid out as a top-down device-independent bitmap (blue,
// green, red per pixel, rows padded to four bytes), which the camera library fills as a
// CM_BitmapTarget and which the platform draws as it is. Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kvocmdll.h"

namespace kvo {

class DibBitmap : public CM_BitmapTarget {
 public:
  // The largest side accepted; keeps every size computation far from overflow.
  static constexpr int kMaxSide = 16384;

  DibBitmap() = default;
  DibBitmap(const DibBitmap&) = default;
  DibBitmap& operator=(const DibBitmap&) = default;
  DibBitmap(DibBitmap&&) = default;
  DibBitmap& operator=(DibBitmap&&) = default;
  ~DibBitmap() = default;

  static std::size_t RowStride(int width);

  // CM_BitmapTarget. A side out of 1..kMaxSide empties the picture.
  void SetPixelFormat24() override {}
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  unsigned char* ScanLine(int row) override;

  bool empty() const { return pixels_.empty(); }
  int width() const { return empty() ? 0 : width_; }
  int height() const { return empty() ? 0 : height_; }
  std::size_t stride() const { return RowStride(width_); }
  const std::uint8_t* Row(int row) const;
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }

 private:
  void Allocate();

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace kvo
