#include "main_window_logic.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace kvo {

namespace {

constexpr char kVendorPrefix[] = "vid_";
constexpr std::size_t kVendorPrefixLength = 4;
constexpr char kProductMarker[] = "&pid_";
constexpr std::size_t kProductMarkerLength = 5;
// The pattern's buffer holds 52 bytes with its NUL: "vid_" and "&pid_" take 9 of them.
constexpr std::size_t kPatternCapacity = 52;
constexpr std::size_t kMaxIdCharacters = kPatternCapacity - 1 - kVendorPrefixLength -
                                         kProductMarkerLength;
constexpr std::size_t kMaxInterfaceNameBytes = 255;
constexpr int kGripWidth = 16;
constexpr int kGripHeight = 11;
constexpr int kLeastDraggedWidth = 120;
constexpr int kLeastDraggedHeight = 115;
// How much of a caption must show for the user to take hold of it.
constexpr int64_t kLeastGrippedCaption = 48;

int HeightOfFormat(int stored_height) {
  const int64_t magnitude = stored_height < 0 ? -static_cast<int64_t>(stored_height)
                                              : static_cast<int64_t>(stored_height);
  return static_cast<int>(std::min(magnitude, kTallestFormat));
}

// The start of a span of `length` moved inside [low, high): unchanged when it fits there,
// else as near as it fits, and at `low` when it is longer than the range.
int64_t KeepSpanInside(int64_t start, int64_t length, int64_t low, int64_t high) {
  if (start + length > high) start = high - length;
  if (start < low) start = low;
  return start;
}

int64_t KeptWithinScreens(int64_t coordinate) {
  return std::clamp<int64_t>(coordinate, -kFarthestWindowCoordinate, kFarthestWindowCoordinate);
}

int64_t CornerCoordinate(const std::optional<uint32_t>& stored, int current) {
  return stored ? static_cast<int32_t>(*stored) : current;
}

}  // namespace

std::optional<CameraIds> ParseProductString(const std::string& product_string) {
  const std::size_t marker = product_string.find(kProductMarker);
  if (marker == std::string::npos || marker < kVendorPrefixLength) return std::nullopt;
  CameraIds ids;
  ids.vendor = product_string.substr(kVendorPrefixLength, marker - kVendorPrefixLength);
  ids.product = product_string.substr(marker + kProductMarkerLength);
  if (ids.vendor.size() + ids.product.size() > kMaxIdCharacters) return std::nullopt;
  return ids;
}

std::string CameraPattern(const CameraIds& ids) {
  return kVendorPrefix + ids.vendor + kProductMarker + ids.product;
}

bool IsCameraName(const std::string& interface_name, const CameraIds& ids) {
  if (ids.vendor.empty() || ids.product.empty()) return false;
  std::string lowered = interface_name.substr(0, kMaxInterfaceNameBytes);
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered.find(CameraPattern(ids)) != std::string::npos;
}

FormatGeometry GeometryForFormat(int width, int stored_height) {
  const int height = HeightOfFormat(stored_height);
  FormatGeometry geometry;
  if (width <= 0 || width > kLargestAdoptedWidth) {
    geometry.band = FormatGeometry::Band::kOutOfRange;
    geometry.format_width = 640;
    geometry.format_height = 480;
    geometry.panel_width = 640;
    geometry.panel_height = 480;
    return geometry;
  }
  geometry.format_width = width;
  geometry.format_height = height;
  if (width < kSmallestAdoptedWidth) {
    geometry.band = FormatGeometry::Band::kSmall;
    geometry.window_width = kSmallWindowWidth;
    geometry.window_height = kSmallWindowHeight;
    geometry.panel_width = width;
    geometry.panel_height = height;
    return geometry;
  }
  geometry.band = FormatGeometry::Band::kAdopted;
  geometry.window_width = width + kPanelWidthMargin;
  geometry.window_height = height + kPanelHeightMargin;
  return geometry;
}

PanelSize PanelForWindow(int window_width, int window_height) {
  return {window_width - kPanelWidthMargin, window_height - kPanelHeightMargin};
}

bool InSizeGrip(int x, int y, int window_width, int window_height) {
  return x > window_width - kGripWidth && y > window_height - kGripHeight;
}

SizeStep ResizeToPointer(int x, int y, int width, int height) {
  return {x > kLeastDraggedWidth ? x : width, y > kLeastDraggedHeight ? y : height};
}

ScreenBox ReachablePlacement(const ScreenBox& window, int caption_height, const ScreenBox& work) {
  const int64_t width = static_cast<int64_t>(window.right) - window.left;
  const int64_t height = static_cast<int64_t>(window.bottom) - window.top;
  const int64_t caption = std::max<int64_t>(1, std::min<int64_t>(caption_height, height));
  const int64_t shown_left = std::max<int64_t>(window.left, work.left);
  const int64_t shown_right = std::min<int64_t>(window.left + width, work.right);
  const bool caption_in_height = window.top >= work.top && window.top + caption <= work.bottom;
  const bool caption_in_width = shown_right - shown_left >= std::min(width, kLeastGrippedCaption);
  if (caption_in_height && caption_in_width) return window;
  const int64_t left = KeepSpanInside(window.left, width, work.left, work.right);
  const int64_t top = KeepSpanInside(window.top, height, work.top, work.bottom);
  return ScreenBox{static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + width),
                   static_cast<int>(top + height)};
}

ScreenBox RestoredWindowBox(const ScreenBox& current, const StoredCorner& corner,
                            const FormatGeometry& format) {
  const bool sized = format.band != FormatGeometry::Band::kOutOfRange;
  const int64_t width = std::clamp<int64_t>(
      sized ? format.window_width : static_cast<int64_t>(current.right) - current.left, 0,
      kFarthestWindowCoordinate);
  const int64_t height = std::clamp<int64_t>(
      sized ? format.window_height : static_cast<int64_t>(current.bottom) - current.top, 0,
      kFarthestWindowCoordinate);
  const int64_t left = KeptWithinScreens(CornerCoordinate(corner.left, current.left));
  const int64_t top = KeptWithinScreens(CornerCoordinate(corner.top, current.top));
  return ScreenBox{static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + width),
                   static_cast<int>(top + height)};
}

SizeStep ViewerSizeForPicture(int picture_width, int picture_height, int viewer_width,
                              int viewer_height, int image_width, int image_height) {
  return {picture_width + (viewer_width - image_width),
          picture_height + (viewer_height - image_height)};
}

}  // namespace kvo
