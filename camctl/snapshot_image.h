// Decoding the driver's snapshot files into the caller's bitmap. Plain C++: the decoder is
// also built natively with sanitizers and fed damaged files there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "kvocmdll.h"

namespace kvo::cm {

// Larger than any still the camera takes, small enough that every size computed from it
// fits 32 bits several times over.
constexpr int32_t kMaxSnapshotSide = 16384;

enum class SnapshotFormat { kPacked, kPlanar };

struct SnapshotLayout {
  SnapshotFormat format = SnapshotFormat::kPacked;
  int width = 0;
  int height = 0;
  int chroma_width = 0;   // planar only: (width + 1) / 2
  int chroma_height = 0;  // planar only: (height + 1) / 2
  size_t pixel_bytes = 0;  // bytes after the header that the picture needs
};

// The layout of a whole snapshot file of size bytes, or nothing when the file is damaged:
// shorter than its header, a width or height that is not in 1..kMaxSnapshotSide, or fewer
// pixel bytes than the header announces. Bytes after the picture are ignored.
std::optional<SnapshotLayout> CheckSnapshot(const uint8_t* file, size_t size);

// Checks the file first and touches the target only for a sound file: 24 bits per pixel,
// width, height, then every row. False for a damaged file or a target without scan lines.
bool LoadSnapshot(const uint8_t* file, size_t size, CM_BitmapTarget& target);

// One bitmap row of a planar still: luma holds width bytes, plane1 and plane2 the chroma
// row (width + 1) / 2 bytes each; out receives width * 3 bytes.
void ConvertPlanarRow(const uint8_t* luma, const uint8_t* plane1, const uint8_t* plane2,
                      int width, uint8_t* out);

}  // namespace kvo::cm
