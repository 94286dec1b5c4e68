// The copy of one grabbed RGB24 frame into the still-frame bitmap. Plain C++: the
// streaming thread's copy is tested natively with sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap24.h"

namespace kvo {

// The bytes a bottom-up RGB24 frame of these sides fills, rows padded to four bytes; 0 when
// a side is not in 1..kMaxSide. Takes the sides as the pin's format states them.
std::size_t BottomUpFrameBytes(long long width, long long height);

// Copies a bottom-up RGB24 frame (first buffer row = bottom picture row, rows padded to
// four bytes) into the bitmap, top row first. A frame size out of range or a buffer
// shorter than the frame needs leaves the bitmap untouched and returns false.
bool CopyBottomUpFrame(const std::uint8_t* buffer, std::size_t length, int width, int height,
                       Bitmap24& bitmap);

}  // namespace kvo
