#include "main_window_logic.h"

#include <cctype>

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

FormatGeometry GeometryForFormat(int width, int height) {
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

SizeStep ViewerSizeForPicture(int picture_width, int picture_height, int viewer_width,
                              int viewer_height, int image_width, int image_height) {
  return {picture_width + (viewer_width - image_width),
          picture_height + (viewer_height - image_height)};
}

}  // namespace kvo
