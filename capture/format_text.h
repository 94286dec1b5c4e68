// The lines of the stream-format dialog. Plain C++.
#pragma once

#include <cstdint>
#include <string>

namespace kvo {

// One capability as the dialog shows it: "320 x 240, 24 bit, 30.00 fps". A frame time of
// zero or less shows "? fps"; the height is shown without its bottom-up sign.
std::string DescribeStreamFormat(int32_t width, int32_t height, uint16_t bit_count,
                                 int64_t avg_time_per_frame);

}  // namespace kvo
