// The main window's arithmetic and texts: the camera's id texts and name test, the window
// size for a stored capture format, the resize grip and mouse dragging. Plain C++.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvo {

// The outer size the window has for a 640 x 480 picture, and the frame the preview panel
// leaves: the panel is 25 pixels narrower and 55 pixels lower than the window.
constexpr int kStandardWindowWidth = 665;
constexpr int kStandardWindowHeight = 535;
constexpr int kPanelWidthMargin = 25;
constexpr int kPanelHeightMargin = 55;
constexpr int kSmallWindowWidth = 345;
constexpr int kSmallWindowHeight = 295;
constexpr int kSmallestAdoptedWidth = 320;
constexpr int kLargestAdoptedWidth = 1280;
// Beyond the tallest format a camera offers; it also keeps the window sums in range.
constexpr int64_t kTallestFormat = 4096;
// What a window kept on the desktop leaves free above the desktop's bottom for a task bar.
constexpr int kTaskBarAllowance = 30;

// Product strings as the library hands them out: "vid_" + vendor + "&pid_" + product.
struct CameraIds {
  std::string vendor;
  std::string product;
};

// The id texts of a product string; nullopt when it holds no "&pid_" after its "vid_", or
// when the camera pattern would not fit its 52 bytes (the two ids have at most 42
// characters together).
std::optional<CameraIds> ParseProductString(const std::string& product_string);

// "vid_" + vendor + "&pid_" + product.
std::string CameraPattern(const CameraIds& ids);

// True when the device-interface name (already in the ANSI code page), lower-cased and cut
// to 255 bytes, holds the camera pattern as written. Empty ids never match.
bool IsCameraName(const std::string& interface_name, const CameraIds& ids);

// What a stored capture format does to the window.
struct FormatGeometry {
  enum class Band { kOutOfRange, kSmall, kAdopted };
  Band band = Band::kOutOfRange;
  // kOutOfRange: the format becomes 640 x 480 and the window keeps its size.
  int format_width = 0;
  int format_height = 0;
  // kSmall and kAdopted: the window's new outer size.
  int window_width = 0;
  int window_height = 0;
  // The preview panel's size where the band fixes it (kOutOfRange, kSmall); 0 otherwise.
  int panel_width = 0;
  int panel_height = 0;
};
// A stored height counts by its magnitude (a top-down format is negative) and at most as
// the tallest format a camera offers, so that no stored value can overflow the sums.
FormatGeometry GeometryForFormat(int width, int height);

// The preview panel for a window of this outer size.
struct PanelSize {
  int width;
  int height;
};
PanelSize PanelForWindow(int window_width, int window_height);

// The bottom-right grip: 16 x 11 pixels at the window's corner.
bool InSizeGrip(int x, int y, int window_width, int window_height);

// A mouse-resize step to (x, y): each side follows the pointer only above its least size.
struct SizeStep {
  int width;
  int height;
};
SizeStep ResizeToPointer(int x, int y, int width, int height);

// A window's place on the screen, and the work area of a monitor (the screen without the
// task bar), in screen pixels.
struct ScreenBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// Where a window goes so that the user can reach it. A window whose caption strip (its top
// caption_height pixels) is not wholly inside the work area vertically, or shows less than
// a grip's width of it horizontally, moves onto the work area: whole when it fits, else
// with its top-left corner at the work area's. A reachable window keeps its place, even
// when part of it lies off the screen. The size never changes.
ScreenBox ReachablePlacement(const ScreenBox& window, int caption_height, const ScreenBox& work);

// The stored corner of the main window: FormLeft and FormTop as read, each missing value
// keeping the window's coordinate. They were written as signed screen coordinates.
struct StoredCorner {
  std::optional<uint32_t> left;
  std::optional<uint32_t> top;
};
// Beyond any screen; stored corners and sides are kept within it so that no far edge
// leaves the int range.
constexpr int kFarthestWindowCoordinate = 1 << 20;

// The main window's box when its stored values are restored: at the stored corner, with the
// outer size the stored format gives it (kSmall, kAdopted) or its current size.
ScreenBox RestoredWindowBox(const ScreenBox& current, const StoredCorner& corner,
                            const FormatGeometry& format);

// The viewer's outer size that gives its picture area the bitmap's size.
SizeStep ViewerSizeForPicture(int picture_width, int picture_height, int viewer_width,
                              int viewer_height, int image_width, int image_height);

}  // namespace kvo
