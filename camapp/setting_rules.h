// The settings window's arithmetic and choices, in plain C++: where the window goes when
// shown, which compressor entry a stored name selects, and how a new stream format sizes
// the main window and places the preview in it.
#pragma once

#include <string>
#include <vector>

#include "main_window_logic.h"

namespace kvo {

// The window moved inside the desktop: top edge first, then right, left and bottom (the
// bottom rule leaves 30 pixels for a task bar). The size never changes.
ScreenBox KeepInsideDesktop(const ScreenBox& window, const ScreenBox& desktop);

// The first entry of the compressor list, which binds no compressor.
constexpr char kNoCompress[] = "No Compress";

// The entry of the compressor list (0 "No Compress", k + 1 the k-th listed compressor) that
// the stored name selects, or -1 for no selection. Names compare exactly; a later equal
// name wins; an empty name and "No Compress" select entry 0.
int CompressorEntryFor(const std::vector<std::string>& compressors, const std::string& stored);

// Main window and preview for a capture stream of width x height.
struct StreamFormatLayout {
  // false: widths outside 1..1280 (or no usable height) leave every size as it is
  bool applies = false;
  bool centred = false;  // narrower than 320: the preview is centred in the main window
  int main_width = 0;
  int main_height = 0;
  int preview_width = 0;
  int preview_height = 0;
};
// A negative (top-down) height counts by its magnitude.
StreamFormatLayout LayoutForStreamFormat(int width, int height);

// Where the preview goes inside a main window of the given size: formats at least 320
// wide sit at 0, 0; narrower ones are centred horizontally (and vertically on what is left
// beyond the frame). Integer division rounds toward zero, as the window was designed.
struct PreviewOrigin {
  int left = 0;
  int top = 0;
};
PreviewOrigin PreviewOriginFor(int width, int height, int main_width, int main_height);

// Formats above 640 x 480 in both directions leave no room for digital zoom, effects or the
// magnifier frame. The sides are taken as the format states them: a negative (top-down)
// side counts by its magnitude.
bool IsLargeStreamFormat(int width, int height);

}  // namespace kvo
