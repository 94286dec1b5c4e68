// BitmapTarget: a Bitmap24 as the camera library fills it (its CM_BitmapTarget). The
// library sets the width, then the height, then writes each scan line; a side out of
// 1..Bitmap24::kMaxSide empties the picture. Plain C++.
#pragma once

#include "bitmap24.h"
#include "kvocmdll.h"

namespace kvo {

class BitmapTarget final : public CM_BitmapTarget {
 public:
  explicit BitmapTarget(Bitmap24& bitmap) : bitmap_(bitmap) {}
  BitmapTarget(const BitmapTarget&) = delete;
  BitmapTarget& operator=(const BitmapTarget&) = delete;

  void SetPixelFormat24() override {}
  void SetWidth(int width) override {
    width_ = width;
    Allocate();
  }
  void SetHeight(int height) override {
    height_ = height;
    Allocate();
  }
  unsigned char* ScanLine(int row) override { return bitmap_.Row(row); }

 private:
  void Allocate() {
    if (!bitmap_.Resize(width_, height_)) bitmap_.Clear();
  }

  Bitmap24& bitmap_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace kvo
