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
