// The planar conversion evaluated directly as the driver documents it, one byte at a time,
// without the hoisting of the library's row loop: the yardstick the tests and the
// benchmark compare against.
#pragma once

#include <cstdint>

namespace kvo::test {

inline uint8_t LimitTruncateReference(double exact) {
  float kept = static_cast<float>(exact);
  if (kept < 0.0f) kept = 0.0f;
  if (kept > 255.0f) kept = 255.0f;
  return static_cast<uint8_t>(static_cast<int>(kept));
}

// Byte i of the pixel with luma l and chroma plane bytes plane1, plane2.
inline uint8_t PlanarReferenceByte(int i, int l, int plane1, int plane2) {
  const int p = plane1 - 128;
  const int q = plane2 - 128;
  switch (i) {
    case 0:
      return LimitTruncateReference(l + 1.14 * p);
    case 1:
      return LimitTruncateReference(l - 0.39 * q - 0.58 * p);
    default:
      return LimitTruncateReference(l + 2.03 * q);
  }
}

}  // namespace kvo::test

namespace kvo::test {

// Where a converted planar picture first differs from the formula: the index of the byte
// (row * width * 3 + x * 3 + byte), or -1 when every byte matches. pixels holds the luma
// plane and both chroma planes as the file does; row_at(y) gives bitmap row y.
template <typename RowAt>
long FirstPlanarMismatch(const uint8_t* pixels, int width, int height, RowAt row_at) {
  const int chroma_width = (width + 1) / 2;
  const uint8_t* plane1 = pixels + static_cast<long>(width) * height;
  const uint8_t* plane2 = plane1 + static_cast<long>(chroma_width) * ((height + 1) / 2);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = row_at(y);
    for (int x = 0; x < width; ++x) {
      const long c = static_cast<long>(y / 2) * chroma_width + x / 2;
      const int luma = pixels[static_cast<long>(y) * width + x];
      for (int i = 0; i < 3; ++i)
        if (row[x * 3 + i] != PlanarReferenceByte(i, luma, plane1[c], plane2[c]))
          return (static_cast<long>(y) * width + x) * 3 + i;
    }
  }
  return -1;
}

}  // namespace kvo::test
