#include "setting_rules.h"

namespace kvo {

ScreenBox KeepInsideDesktop(const ScreenBox& window, const ScreenBox& desktop) {
  const int width = window.width();
  const int height = window.height();
  int left = window.left;
  int top = window.top;
  if (top < desktop.top) top = desktop.top;
  if (left + width > desktop.right) left = desktop.right - width;
  if (left < desktop.left) left = desktop.left;
  if (top + height > desktop.bottom) top = desktop.bottom - height - kTaskBarAllowance;
  return ScreenBox{left, top, left + width, top + height};
}

int CompressorEntryFor(const std::vector<std::string>& compressors, const std::string& stored) {
  int entry = -1;
  for (size_t k = 0; k < compressors.size(); ++k) {
    if (compressors[k] == stored) entry = static_cast<int>(k) + 1;
  }
  if (stored.empty() || stored == kNoCompress) entry = 0;
  return entry;
}

StreamFormatLayout LayoutForStreamFormat(int width, int signed_height) {
  StreamFormatLayout layout;
  if (width <= 0 || width > kLargestAdoptedWidth) return layout;
  // A top-down format carries a negative height; its picture is as tall as the magnitude.
  const long long magnitude = signed_height < 0 ? -static_cast<long long>(signed_height)
                                                : static_cast<long long>(signed_height);
  if (magnitude == 0 || magnitude > kTallestFormat) return layout;
  const int height = static_cast<int>(magnitude);
  layout.applies = true;
  layout.centred = width < kSmallestAdoptedWidth;
  layout.main_width =
      width >= kSmallestAdoptedWidth ? width + kPanelWidthMargin : kSmallWindowWidth;
  layout.main_height = height + kPanelHeightMargin;
  layout.preview_width = width;
  layout.preview_height = height;
  return layout;
}

PreviewOrigin PreviewOriginFor(int width, int height, int main_width, int main_height) {
  if (width >= kSmallestAdoptedWidth) return PreviewOrigin{0, 0};
  return PreviewOrigin{(main_width - (width + kPanelWidthMargin)) / 2,
                       (main_height - (height + kPanelHeightMargin)) / 2};
}

bool IsLargeStreamFormat(int width, int height) {
  // Magnitudes in 64 bits: the most negative side has no positive int.
  const auto magnitude = [](int side) { return side < 0 ? -static_cast<long long>(side) : side; };
  return magnitude(width) > 640 && magnitude(height) > 480;
}

}  // namespace kvo
