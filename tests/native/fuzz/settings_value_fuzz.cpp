// Values of the settings key as any program may have stored them: the product strings, the
// flags, the counters and Pin_Data, of any type and length, read through the same checks
// the readers use; the kept product strings then meet a device's display name. What the
// readers keep then goes to its consumers: the stored format sizes the windows, a counter
// and the file path name the next still or recording, a stored place moves the window, the
// stored compressor name chooses a list entry, and a product string gives the camera's ids.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "capture_files.h"
#include "fuzz_input.h"
#include "main_window_logic.h"
#include "product_match.h"
#include "setting_rules.h"
#include "settings_values.h"

using namespace kvo;
using kvo::fuzz::Check;

namespace {

long long Magnitude(int side) { return side < 0 ? -static_cast<long long>(side) : side; }

// The stored format sizes the main window and its preview, as the main window and the
// settings window do with it.
void CheckFormatConsumers(const CaptureFormatRecord& format) {
  const int width = format.header.width;
  const int height = format.header.height;
  const FormatGeometry geometry = GeometryForFormat(width, height);
  if (geometry.band == FormatGeometry::Band::kOutOfRange) {
    Check(geometry.format_width == 640 && geometry.format_height == 480);
  } else {
    Check(geometry.format_width == width && geometry.format_width > 0);
    Check(geometry.format_height >= 0 && geometry.format_height <= Magnitude(height));
    Check(geometry.window_width > 0 && geometry.window_height > 0);
    const PanelSize panel = PanelForWindow(geometry.window_width, geometry.window_height);
    if (geometry.band == FormatGeometry::Band::kAdopted) {
      Check(panel.width == geometry.format_width && panel.height == geometry.format_height);
    }
  }

  const StreamFormatLayout layout = LayoutForStreamFormat(width, height);
  if (layout.applies) {
    Check(layout.preview_width == width && layout.preview_height == Magnitude(height));
    Check(layout.main_width >= layout.preview_width && layout.main_height > layout.preview_height);
    // Centred in a main window of the size asked for: the preview lies inside it.
    const PreviewOrigin origin = PreviewOriginFor(layout.preview_width, layout.preview_height,
                                                  layout.main_width, layout.main_height);
    Check(origin.left >= 0 && origin.left + layout.preview_width <= layout.main_width);
    Check(origin.top >= 0 && origin.top + layout.preview_height <= layout.main_height);
  }
  Check(IsLargeStreamFormat(width, height) == (Magnitude(width) > 640 && Magnitude(height) > 480));
}

// A counter names the next still: the name holds the folder, the prefix and the number of
// at least six digits; the next free number skips exactly the taken ones.
void CheckCounterConsumers(uint32_t counter, const std::string& folder, uint8_t taken) {
  const auto next = NextFreeNumber(counter, [&](uint32_t number) {
    return static_cast<uint32_t>(number - counter) <= taken;
  });
  Check(next && *next == static_cast<uint32_t>(counter + taken + 1u));
  Check(!NextFreeNumber(counter, [](uint32_t) { return true; }, 50));

  const std::string name = NumberedFileName(folder, kSnapshotPrefix, *next, kSnapshotExtension);
  const std::string head = folder + "\\" + kSnapshotPrefix;
  Check(name.compare(0, head.size(), head) == 0);
  const std::string digits = name.substr(head.size(), name.size() - head.size() - 4);
  Check(name.compare(name.size() - 4, 4, kSnapshotExtension) == 0);
  Check(digits.size() >= 6 && digits.size() <= 10);
  Check(digits.find_first_not_of("0123456789") == std::string::npos);
  Check(std::stoull(digits) == *next);
  if (SnapshotPathFits(name.size(), name.size())) Check(name.size() <= 255);
}

// FormTop and FormLeft move the window; once shown it is placed where the user can reach it.
void CheckStoredPlace(uint32_t left, uint32_t top) {
  constexpr int kWidth = 665;
  constexpr int kHeight = 535;
  const ScreenBox work{0, 0, 1024, 738};
  // The platform keeps a window's edges in range: the stored corner is cut so that the
  // right and bottom edges still fit.
  const auto edge = [](uint32_t stored, int size) {
    const int32_t start = static_cast<int32_t>(stored);
    return start > INT32_MAX - size ? INT32_MAX - size : start;
  };
  const ScreenBox window{edge(left, kWidth), edge(top, kHeight), 0, 0};
  const ScreenBox stored{window.left, window.top, window.left + kWidth, window.top + kHeight};
  const ScreenBox placed = ReachablePlacement(stored, 20, work);
  Check(placed.right - placed.left == kWidth && placed.bottom - placed.top == kHeight);
  // Wherever it ends, its caption is on the work area.
  Check(placed.top >= work.top && placed.top + 20 <= work.bottom);
  Check(placed.left < work.right && placed.right > work.left);
}

void CheckProductString(const std::string& product) {
  const auto ids = ParseProductString(product);
  if (!ids) return;
  Check(ids->vendor.size() + ids->product.size() <= 42);
  const std::string pattern = CameraPattern(*ids);
  Check(pattern.size() <= 51);
  bool lower = true;
  for (char c : pattern) lower &= !(c >= 'A' && c <= 'Z');
  if (!ids->vendor.empty() && !ids->product.empty() && lower) {
    Check(IsCameraName("\\\\?\\usb#" + pattern + "#", *ids));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte says how many bytes the registry reports as stored (it may claim less
  // than the buffer holds, never more than the reader's buffer).
  const size_t claimed = data[0];
  ++data;
  --size;
  std::vector<uint8_t> stored(data, data + size);
  const size_t count = claimed < stored.size() ? claimed : stored.size();

  auto text = TextOfValue(stored.data(), count, 256);
  if (text && text->size() > count) __builtin_trap();
  FlagOfValue(stored.data(), count, 5);
  const auto dword = DwordOfValue(stored.data(), count);
  const auto format = FormatOfValue(stored.data(), count, NoFormatRecord());
  if (format && count == sizeof(CaptureFormatRecord)) HoldsFormat(*format);

  cm::ProductStrings products;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (size_t slot = 0; slot < cm::kProductSlots; ++slot) {
    const size_t begin = slot * 16;
    if (begin >= bytes.size()) break;
    auto product = TextOfValue(bytes.data() + begin, bytes.size() - begin, 256);
    if (product) products.Keep(slot, *product);
  }
  const auto found = products.FindIn(bytes);
  if (found && *found >= cm::kProductSlots) __builtin_trap();

  if (format) CheckFormatConsumers(*format);
  const std::string folder = text ? *text : std::string();
  if (dword) {
    CheckCounterConsumers(*dword, folder, static_cast<uint8_t>(claimed));
    CheckStoredPlace(*dword, dword ? ~*dword : 0);
  }
  if (text) {
    CheckProductString(*text);
    // The stored compressor name chooses an entry of the list, or none.
    const std::vector<std::string> compressors{"Cinepak Codec", *text, "MJPEG"};
    const int entry = CompressorEntryFor(compressors, *text);
    Check(entry >= -1 && entry <= static_cast<int>(compressors.size()));
    if (!text->empty() && *text != kNoCompress) Check(entry == 2 || entry == 3);
  }
  return 0;
}
