// The main window's restore from the settings key: FormTop and FormLeft of any length (a
// value longer than the reader's four bytes reads as missing), Pin_Data of any length up to
// more than its 88-byte record, heights up to the ends of the int range; then the box the
// window takes and the move that keeps its caption within reach of the work area. Every box
// keeps its size, its edges stay ints, and a window that fits the work area ends inside it.
//
// Input (missing bytes read as zero): FormTop's count (1 byte) and 8 stored bytes,
// FormLeft's likewise, Pin_Data's count (1 byte) and 88 stored bytes, the window's current
// box (4 x int32), the work area (4 x int32) and the caption height (int32).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "capture_format.h"
#include "main_window_logic.h"
#include "settings_values.h"

using namespace kvo;

namespace {

constexpr std::size_t kDwordSlot = 8;
constexpr std::size_t kInputSize = 1 + kDwordSlot + 1 + kDwordSlot + 1 +
                                   sizeof(CaptureFormatRecord) + 4 * 4 + 4 * 4 + 4;

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

class Input {
 public:
  Input(const uint8_t* data, std::size_t size) {
    std::memcpy(bytes_, data, size < kInputSize ? size : kInputSize);
  }
  uint8_t Byte() { return bytes_[at_++]; }
  const uint8_t* Take(std::size_t count) {
    const uint8_t* taken = bytes_ + at_;
    at_ += count;
    return taken;
  }
  int32_t Int() {
    int32_t value = 0;
    std::memcpy(&value, Take(sizeof value), sizeof value);
    return value;
  }
  ScreenBox Box() {
    ScreenBox box;
    box.left = Int();
    box.top = Int();
    box.right = Int();
    box.bottom = Int();
    return box;
  }

 private:
  uint8_t bytes_[kInputSize] = {};
  std::size_t at_ = 0;
};

// A DWORD value as the settings key reads it into its four-byte buffer.
std::optional<uint32_t> StoredDword(Input& input) {
  const std::size_t stored = input.Byte() % (kDwordSlot + 1);
  const uint8_t* bytes = input.Take(kDwordSlot);
  if (stored > sizeof(uint32_t)) return std::nullopt;  // the read fails: more data
  return DwordOfValue(bytes, stored);
}

CaptureFormatRecord StoredFormat(Input& input) {
  const std::size_t stored = input.Byte();
  const uint8_t* bytes = input.Take(sizeof(CaptureFormatRecord));
  const CaptureFormatRecord none = NoFormatRecord();
  if (stored > sizeof(CaptureFormatRecord)) return none;
  return FormatOfValue(bytes, stored, none).value_or(none);
}

// Monitors lie within the screen coordinates the window is kept in.
ScreenBox WorkArea(ScreenBox box) {
  auto inside = [](int value) {
    return value < -kFarthestWindowCoordinate || value > kFarthestWindowCoordinate
               ? value % kFarthestWindowCoordinate
               : value;
  };
  box = {inside(box.left), inside(box.top), inside(box.right), inside(box.bottom)};
  if (box.right < box.left) std::swap(box.left, box.right);
  if (box.bottom < box.top) std::swap(box.top, box.bottom);
  return box;
}

int64_t Width(const ScreenBox& box) { return static_cast<int64_t>(box.right) - box.left; }
int64_t Height(const ScreenBox& box) { return static_cast<int64_t>(box.bottom) - box.top; }

void CheckFormat(const FormatGeometry& format, int width) {
  switch (format.band) {
    case FormatGeometry::Band::kOutOfRange:
      Check(format.format_width == 640 && format.format_height == 480);
      break;
    case FormatGeometry::Band::kSmall:
      Check(format.window_width == kSmallWindowWidth && format.panel_width == width);
      Check(format.panel_height >= 0 && format.panel_height <= 4096);
      break;
    case FormatGeometry::Band::kAdopted:
      Check(format.window_width == width + kPanelWidthMargin);
      Check(format.window_height >= kPanelHeightMargin &&
            format.window_height <= 4096 + kPanelHeightMargin);
      break;
  }
}

void CheckRestored(const ScreenBox& box, const ScreenBox& current, const StoredCorner& corner,
                   const FormatGeometry& format) {
  Check(Width(box) >= 0 && Width(box) <= kFarthestWindowCoordinate);
  Check(Height(box) >= 0 && Height(box) <= kFarthestWindowCoordinate);
  Check(box.left >= -kFarthestWindowCoordinate && box.left <= kFarthestWindowCoordinate);
  Check(box.top >= -kFarthestWindowCoordinate && box.top <= kFarthestWindowCoordinate);
  if (format.band != FormatGeometry::Band::kOutOfRange) {
    Check(Width(box) == format.window_width && Height(box) == format.window_height);
  }
  const auto stored_at = [](std::optional<uint32_t> stored, int was) -> int64_t {
    const int64_t value = stored ? static_cast<int32_t>(*stored) : was;
    return value < -kFarthestWindowCoordinate  ? -kFarthestWindowCoordinate
           : value > kFarthestWindowCoordinate ? kFarthestWindowCoordinate
                                               : value;
  };
  Check(box.left == stored_at(corner.left, current.left));
  Check(box.top == stored_at(corner.top, current.top));
}

// One axis of a reachable placement: the span keeps its length and, when it fits the
// range, lies inside it once moved.
void CheckAxis(int64_t before, int64_t after, int64_t length, int64_t low, int64_t high) {
  if (after == before) return;
  if (length <= high - low) {
    Check(after >= low && after + length <= high);
  } else {
    Check(after == low);
  }
}

void CheckReachable(const ScreenBox& box, const ScreenBox& placed, int caption,
                    const ScreenBox& work) {
  Check(Width(placed) == Width(box) && Height(placed) == Height(box));
  CheckAxis(box.left, placed.left, Width(box), work.left, work.right);
  CheckAxis(box.top, placed.top, Height(box), work.top, work.bottom);
  // Once placed, a window stays where it is.
  const ScreenBox again = ReachablePlacement(placed, caption, work);
  Check(again.left == placed.left && again.top == placed.top);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  StoredCorner corner;
  corner.top = StoredDword(input);
  corner.left = StoredDword(input);
  const CaptureFormatRecord format_record = StoredFormat(input);
  const ScreenBox current = input.Box();
  const ScreenBox work = WorkArea(input.Box());
  const int caption = input.Int();

  const int width = format_record.header.width;
  const FormatGeometry format = GeometryForFormat(width, format_record.header.height);
  CheckFormat(format, width);
  const ScreenBox box = RestoredWindowBox(current, corner, format);
  CheckRestored(box, current, corner, format);
  CheckReachable(box, ReachablePlacement(box, caption, work), caption, work);
  return 0;
}
