// Snapshot files as the driver (or a damaged disk) leaves them, both layouts: the decoder
// must refuse a damaged file before touching the bitmap and never write past a row.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "snapshot_image.h"

namespace {

// Every row is its own allocation of exactly width * 3 bytes.
class RowBitmap : public CM_BitmapTarget {
 public:
  void SetPixelFormat24() override { format_set_ = true; }
  void SetWidth(int width) override { width_ = width; }
  void SetHeight(int height) override {
    height_ = height;
    rows_.clear();
    if (width_ <= 0 || height_ <= 0) return;
    for (int row = 0; row < height_; ++row)
      rows_.push_back(std::make_unique<unsigned char[]>(static_cast<size_t>(width_) * 3));
  }
  unsigned char* ScanLine(int row) override {
    if (!format_set_ || row < 0 || row >= static_cast<int>(rows_.size())) __builtin_trap();
    return rows_[static_cast<size_t>(row)].get();
  }
  bool touched() const { return format_set_ || width_ != 0 || height_ != 0; }

 private:
  bool format_set_ = false;
  int width_ = 0;
  int height_ = 0;
  std::vector<std::unique_ptr<unsigned char[]>> rows_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  const auto layout = kvo::cm::CheckSnapshot(file.data(), file.size());
  RowBitmap bitmap;
  const bool loaded = kvo::cm::LoadSnapshot(file.data(), file.size(), bitmap);
  if (loaded != layout.has_value()) __builtin_trap();
  if (!loaded && bitmap.touched()) __builtin_trap();
  if (layout && layout->pixel_bytes > file.size()) __builtin_trap();
  return 0;
}
