// A bitmap target for the tests: rows in memory, and a log of what the library asked of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kvocmdll.h"

namespace kvo::test {

class TestBitmap : public CM_BitmapTarget {
 public:
  void SetPixelFormat24() override { calls += "F"; }
  void SetWidth(int value) override {
    calls += "W";
    width = value;
    Resize();
  }
  void SetHeight(int value) override {
    calls += "H";
    height = value;
    Resize();
  }
  unsigned char* ScanLine(int row) override {
    if (row < 0 || row >= height || width <= 0) return nullptr;
    return pixels.data() + static_cast<size_t>(row) * width * 3;
  }

  uint8_t At(int row, int x, int byte) const {
    return pixels[(static_cast<size_t>(row) * width + x) * 3 + byte];
  }

  std::string calls;  // "F", "W", "H" in the order they came
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

 private:
  void Resize() {
    if (width > 0 && height > 0) pixels.assign(static_cast<size_t>(width) * height * 3, 0xEE);
  }
};

// A snapshot file: the 24-byte header, then the given pixel bytes.
inline std::vector<uint8_t> SnapshotFile(uint8_t format, int32_t width, int32_t height,
                                         const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> file(24, 0);
  file[2] = format;
  for (int i = 0; i < 4; ++i) {
    file[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(width) >> (8 * i));
    file[8 + i] = static_cast<uint8_t>(static_cast<uint32_t>(height) >> (8 * i));
  }
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

}  // namespace kvo::test
