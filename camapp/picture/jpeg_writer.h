// The JPEG encoding of stills: baseline, full colour, JFIF, at a given quality (the camera
// application uses 90). Plain C++ over the IJG library interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bitmap24.h"

namespace kvo {

constexpr int kStillJpegQuality = 90;

// Where the encoded file's memory comes from: one block that is replaced by one twice its
// size whenever the library fills it. allocate answers null when it has nothing to give,
// which fails the encoding as the library's own out-of-memory does; every block given is
// released exactly once. The default is the C heap; tests pass memory that runs out.
struct JpegOutputMemory {
  void* (*allocate)(std::size_t bytes) = &std::malloc;
  void (*release)(void* block) = &std::free;
};

// The encoded file, or an empty vector when the bitmap is empty or the library failed
// (its message then goes to *error when given).
std::vector<std::uint8_t> EncodeJpeg(const Bitmap24& bitmap, int quality,
                                     std::string* error = nullptr,
                                     const JpegOutputMemory& memory = JpegOutputMemory{});

}  // namespace kvo
