// The still copies: the grabbed frame of the sides the pin's format states (any width and
// height, a buffer of any length) into the still bitmap, and the camera library's snapshot
// into the camera application's bitmap after its sides were set in any order.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bitmap_target.h"
#include "fuzz_input.h"
#include "snapshot_image.h"
#include "still_frame.h"

using namespace kvo;
using kvo::fuzz::Check;
using kvo::fuzz::Input;

namespace {

void CheckGrabbedFrame(const std::vector<uint8_t>& buffer, int32_t width, int32_t height,
                       uint32_t claimed_length) {
  const std::size_t needed = BottomUpFrameBytes(width, height);
  const bool sides = width > 0 && width <= Bitmap24::kMaxSide && height > 0 &&
                     height <= Bitmap24::kMaxSide;
  Check((needed != 0) == sides);
  if (sides) {
    Check(needed % 4 == 0 && needed == Bitmap24::RowStride(width) * static_cast<size_t>(height));
    Check(needed >= static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height));
  }
  // The grabber hands over at most the buffer it has.
  const std::size_t length = claimed_length < buffer.size() ? claimed_length : buffer.size();
  Bitmap24 bitmap;
  bitmap.Resize(2, 2);
  bitmap.Row(0)[0] = 0x5A;
  const bool copied = CopyBottomUpFrame(buffer.data(), length, width, height, bitmap);
  Check(copied == (sides && length >= needed));
  if (!copied) {
    Check(bitmap.width() == 2 && bitmap.height() == 2 && bitmap.Row(0)[0] == 0x5A);
    return;
  }
  Check(bitmap.width() == width && bitmap.height() == height);
  Check(bitmap.pixels().size() == bitmap.stride() * static_cast<std::size_t>(height));
  const std::size_t row_bytes = static_cast<std::size_t>(width) * 3;
  const std::size_t stride = Bitmap24::RowStride(width);
  // The buffer's first row is the picture's bottom row, its last the top.
  Check(std::memcmp(bitmap.Row(height - 1), buffer.data(), row_bytes) == 0);
  Check(std::memcmp(bitmap.Row(0), buffer.data() + (height - 1) * stride, row_bytes) == 0);
}

void CheckPictureRows(const Bitmap24& bitmap) {
  if (bitmap.empty()) {
    Check(bitmap.width() == 0 && bitmap.height() == 0 && bitmap.Row(0) == nullptr);
    return;
  }
  Check(bitmap.width() > 0 && bitmap.width() <= Bitmap24::kMaxSide);
  Check(bitmap.height() > 0 && bitmap.height() <= Bitmap24::kMaxSide);
  Check(bitmap.pixels().size() ==
        bitmap.stride() * static_cast<std::size_t>(bitmap.height()));
  const uint8_t* last = bitmap.Row(bitmap.height() - 1);
  Check(last + bitmap.stride() == bitmap.pixels().data() + bitmap.pixels().size());
  Check(bitmap.Row(-1) == nullptr && bitmap.Row(bitmap.height()) == nullptr);
}

// The picture as the camera library fills it, its sides set and its rows asked for in any
// order, then filled from a snapshot file.
void CheckFilledPicture(Bitmap24& bitmap, Input& input) {
  BitmapTarget target(bitmap);
  const int steps = input.Take<uint8_t>() % 8;
  for (int i = 0; i < steps; ++i) {
    const auto kind = input.Take<uint8_t>();
    const auto raw = input.Take<int32_t>();
    // Mostly small sides, -50 to 649, so that a run makes many pictures; the high bit of the
    // kind passes the value as it is (the largest sides, the most negative ones).
    const int32_t value = (kind & 0x80) != 0
                              ? raw
                              : static_cast<int32_t>(static_cast<uint32_t>(raw) % 700) - 50;
    if (kind % 3 == 0) target.SetWidth(value);
    if (kind % 3 == 1) target.SetHeight(value);
    if (kind % 3 == 2) {
      unsigned char* row = target.ScanLine(value);
      Check((row != nullptr) == (!bitmap.empty() && value >= 0 && value < bitmap.height()));
      if (row != nullptr) std::memset(row, 0xC3, bitmap.stride());
    }
    CheckPictureRows(bitmap);
  }
}

void CheckSnapshotInto(Bitmap24& bitmap, const std::vector<uint8_t>& file) {
  const auto layout = cm::CheckSnapshot(file.data(), file.size());
  BitmapTarget target(bitmap);
  const bool loaded = cm::LoadSnapshot(file.data(), file.size(), target);
  Check(loaded == layout.has_value());
  CheckPictureRows(bitmap);
  if (loaded) Check(bitmap.width() == layout->width && bitmap.height() == layout->height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  const auto width = input.Take<int32_t>();
  const auto height = input.Take<int32_t>();
  const auto claimed_length = input.Take<uint32_t>();
  Bitmap24 bitmap;
  CheckFilledPicture(bitmap, input);
  // The rest is both the grabbed frame and the snapshot file.
  const std::vector<uint8_t> rest = input.Rest();
  CheckGrabbedFrame(rest, width, height, claimed_length);
  CheckSnapshotInto(bitmap, rest);
  return 0;
}
