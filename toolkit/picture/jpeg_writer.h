// The JPEG encoding of stills: baseline, full colour, JFIF, at a given quality (the camera
// application uses 90). Plain C++ over the IJG library interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dib_bitmap.h"

namespace kvo {

constexpr int kStillJpegQuality = 90;

// The encoded file, or an empty vector when the bitmap is empty or the library failed
// (its message then goes to *error when given).
std::vector<std::uint8_t> EncodeJpeg(const DibBitmap& bitmap, int quality,
                                     std::string* error = nullptr);

}  // namespace kvo
