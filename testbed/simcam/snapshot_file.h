// The driver's still files: the 24-byte header and packed or planar 4:2:0 pixels. Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvo::simcam {

// Bytes 12-19 of the header are not interpreted by readers; the driver keeps the frame
// number and the clock of the picture there, so a test can draw the same picture again.
struct StillStamp {
  uint32_t frame_number = 0;
  uint32_t seconds_of_day = 0;
};

// picture: bottom-up 24-bit rows of width * 3 bytes without padding.
// Packed: the rows as they are, bottom row first.
// Planar: luma, then plane 1 and plane 2 of ((width + 1) / 2) x ((height + 1) / 2), top row
// first. The planes are made for the reader's conversion (byte 0 = L + 1.14 P, byte 1 =
// L - 0.39 Q - 0.58 P, byte 2 = L + 2.03 Q): the picture's bytes 0, 1, 2 come back.
std::vector<uint8_t> BuildSnapshotFile(const uint8_t* picture, int width, int height,
                                       bool planar, const StillStamp& stamp);

// What a reader makes of a snapshot file: bytes of a bottom-up 24-bit picture, following
// the platform's reading rules; empty for a damaged file.
struct DecodedSnapshot {
  int width = 0;
  int height = 0;
  bool planar = false;
  StillStamp stamp;
  std::vector<uint8_t> bottom_up;
};
DecodedSnapshot DecodeSnapshotFile(const uint8_t* bytes, size_t size);

}  // namespace kvo::simcam
