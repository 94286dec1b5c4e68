// The main window's arithmetic: id texts, the camera name test, format bands, grip and drag.
#include <gtest/gtest.h>

#include <climits>

#include "main_window_logic.h"

namespace kvo {
namespace {

TEST(MainWindowLogicTest, ProductStringsGiveIdTextsOrNothing) {
  struct Case {
    const char* text;
    bool parsed;
    const char* vendor;
    const char* product;
  };
  const Case cases[] = {
      {"vid_feed&pid_cafe", true, "feed", "cafe"},
      {"vid_12ab&pid_34cd&rev_0100", true, "12ab", "34cd&rev_0100"},
      {"vid_feed&pid_", true, "feed", ""},
      {"vid_&pid_cafe", true, "", "cafe"},
      {"vid_feed", false, "", ""},
      {"", false, "", ""},
      {"&pid_cafe", false, "", ""},          // the marker inside the "vid_" part
      {"xyz&pid_cafe", false, "", ""},
      {"vid_feed&pid_cafe&pid_beef", true, "feed", "cafe&pid_beef"},
      // 42 id characters fit the 52-byte pattern; 43 do not.
      {"vid_0123456789012345678901&pid_01234567890123456789", true,
       "0123456789012345678901", "01234567890123456789"},
      {"vid_0123456789012345678901&pid_012345678901234567890", false, "", ""},
  };
  for (const Case& c : cases) {
    auto ids = ParseProductString(c.text);
    ASSERT_EQ(c.parsed, ids.has_value()) << c.text;
    if (!ids) continue;
    EXPECT_EQ(c.vendor, ids->vendor) << c.text;
    EXPECT_EQ(c.product, ids->product) << c.text;
    EXPECT_LE(CameraPattern(*ids).size(), 51u);
  }
}

TEST(MainWindowLogicTest, CameraNameIsFoundCaseInsensitivelyInTheInterfaceName) {
  const CameraIds camera{"feed", "cafe"};
  const std::string camera_interface =
      "\\\\?\\USB#VID_FEED&PID_CAFE#SIMCAM0001#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  EXPECT_TRUE(IsCameraName(camera_interface, camera));
  EXPECT_FALSE(IsCameraName(
      "\\\\?\\USB#VID_FEED&PID_BEEF#SIMCAM0002#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", camera));
  EXPECT_FALSE(IsCameraName("", camera));
  EXPECT_FALSE(IsCameraName(camera_interface, CameraIds{}))
      << "without id texts no device is the camera";
  // The pattern itself is not lower-cased: upper-case ids never match.
  EXPECT_FALSE(IsCameraName(camera_interface, CameraIds{"FEED", "CAFE"}));
  // Only the first 255 bytes of the name are looked at.
  EXPECT_TRUE(IsCameraName(std::string(237, 'x') + "vid_feed&pid_cafe", camera));
  EXPECT_FALSE(IsCameraName(std::string(239, 'x') + "vid_feed&pid_cafe", camera));
}

TEST(MainWindowLogicTest, StoredFormatWidthBands) {
  using Band = FormatGeometry::Band;
  struct Case {
    int width, height;
    Band band;
    int window_width, window_height, panel_width, panel_height, format_width, format_height;
  };
  const Case cases[] = {
      {1280, 1024, Band::kAdopted, 1305, 1079, 0, 0, 1280, 1024},
      {1281, 1024, Band::kOutOfRange, 0, 0, 640, 480, 640, 480},
      {0, 0, Band::kOutOfRange, 0, 0, 640, 480, 640, 480},
      {-5, 120, Band::kOutOfRange, 0, 0, 640, 480, 640, 480},
      {319, 239, Band::kSmall, 345, 295, 319, 239, 319, 239},
      {176, 144, Band::kSmall, 345, 295, 176, 144, 176, 144},
      {320, 240, Band::kAdopted, 345, 295, 0, 0, 320, 240},
      {640, 480, Band::kAdopted, 665, 535, 0, 0, 640, 480},
  };
  for (const Case& c : cases) {
    const FormatGeometry g = GeometryForFormat(c.width, c.height);
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    EXPECT_EQ(c.band, g.band);
    EXPECT_EQ(c.window_width, g.window_width);
    EXPECT_EQ(c.window_height, g.window_height);
    EXPECT_EQ(c.panel_width, g.panel_width);
    EXPECT_EQ(c.panel_height, g.panel_height);
    EXPECT_EQ(c.format_width, g.format_width);
    EXPECT_EQ(c.format_height, g.format_height);
  }
  // A stored height counts by its magnitude and at most as the tallest format: no sum
  // overflows, whatever the value.
  for (const int height : {INT_MAX, INT_MAX - 10, INT_MIN, -480}) {
    SCOPED_TRACE(height);
    const FormatGeometry adopted = GeometryForFormat(640, height);
    EXPECT_EQ(Band::kAdopted, adopted.band);
    EXPECT_EQ(height == -480 ? 535 : 4096 + 55, adopted.window_height);
    const FormatGeometry small = GeometryForFormat(176, height);
    EXPECT_EQ(height == -480 ? 480 : 4096, small.panel_height);
  }
  const PanelSize panel = PanelForWindow(kStandardWindowWidth, kStandardWindowHeight);
  EXPECT_EQ(640, panel.width);
  EXPECT_EQ(480, panel.height);
}

TEST(MainWindowLogicTest, GripAndResizeSteps) {
  // 10 pixels from the right edge and 5 from the bottom: the grip.
  EXPECT_TRUE(InSizeGrip(665 - 10, 535 - 5, 665, 535));
  EXPECT_FALSE(InSizeGrip(665 - 16, 535 - 5, 665, 535)) << "x must be beyond W - 16";
  EXPECT_FALSE(InSizeGrip(665 - 10, 535 - 11, 665, 535)) << "y must be beyond H - 11";
  EXPECT_TRUE(InSizeGrip(665 - 15, 535 - 10, 665, 535));

  SizeStep step = ResizeToPointer(100, 300, 665, 535);
  EXPECT_EQ(665, step.width) << "x = 100 leaves the width";
  EXPECT_EQ(300, step.height);
  step = ResizeToPointer(121, 115, 665, 535);
  EXPECT_EQ(121, step.width);
  EXPECT_EQ(535, step.height) << "115 is not above the least height";

  step = ViewerSizeForPicture(640, 480, 450, 350, 434, 312);
  EXPECT_EQ(656, step.width);
  EXPECT_EQ(518, step.height);
}

TEST(MainWindowLogicTest, AWindowWhoseCaptionIsOutOfReachMovesOntoTheWorkArea) {
  const ScreenBox work{0, 0, 1024, 738};
  struct Case {
    const char* what;
    ScreenBox window;
    ScreenBox placed;
  };
  const Case cases[] = {
      {"on the screen", {30, 40, 695, 575}, {30, 40, 695, 575}},
      {"wider than the screen, caption in reach", {30, 40, 1335, 1119}, {30, 40, 1335, 1119}},
      {"mostly off the right, a grip left", {1024 - 48, 40, 1024 - 48 + 665, 575},
       {1024 - 48, 40, 1024 - 48 + 665, 575}},
      {"a monitor to the right that is gone", {1500, 100, 2165, 635}, {359, 100, 1024, 635}},
      {"above the screen", {100, -3000, 765, -2465}, {100, 0, 765, 535}},
      {"caption just above the top", {100, -5, 765, 530}, {100, 0, 765, 535}},
      {"below the screen", {100, 2000, 765, 2535}, {100, 203, 765, 738}},
      {"taller than the screen, below", {100, 900, 765, 1979}, {100, 0, 765, 1079}},
      {"far left, beyond any int sum", {-2147483000, 10, -2147482335, 545}, {0, 10, 665, 545}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ScreenBox placed = ReachablePlacement(c.window, 25, work);
    EXPECT_EQ(c.placed.left, placed.left);
    EXPECT_EQ(c.placed.top, placed.top);
    EXPECT_EQ(c.placed.right, placed.right);
    EXPECT_EQ(c.placed.bottom, placed.bottom);
  }
  // A work area that does not start at 0 (a task bar at the top, a monitor on the left).
  const ScreenBox left_monitor{-1280, 30, 0, 1024};
  const ScreenBox placed = ReachablePlacement({-3000, 0, -2335, 535}, 25, left_monitor);
  EXPECT_EQ(-1280, placed.left);
  EXPECT_EQ(30, placed.top);
}

TEST(MainWindowLogicTest, StoredValuesPlaceTheWindowWithinScreenCoordinates) {
  const ScreenBox current{434, 251, 434 + 665, 251 + 535};
  const FormatGeometry keep = GeometryForFormat(0, 0);
  const FormatGeometry small = GeometryForFormat(160, 120);
  // Stored values as written: a corner left of and above the primary monitor is negative.
  ScreenBox box = RestoredWindowBox(current, {0xFFFFFB00u, 0xFFFFFFF6u}, keep);
  EXPECT_EQ(-1280, box.left);
  EXPECT_EQ(-10, box.top);
  EXPECT_EQ(665, box.right - box.left);
  EXPECT_EQ(535, box.bottom - box.top);
  // A missing value keeps that coordinate; the format gives the size.
  box = RestoredWindowBox(current, {std::nullopt, 5u}, small);
  EXPECT_EQ(434, box.left);
  EXPECT_EQ(5, box.top);
  EXPECT_EQ(kSmallWindowWidth, box.right - box.left);
  EXPECT_EQ(kSmallWindowHeight, box.bottom - box.top);
  // Corners at the ends of the int range, and the tallest stored format there: the far edges
  // stay ints, the size stays whole, and the caption can then be brought back.
  const FormatGeometry tallest = GeometryForFormat(1280, INT_MIN);
  for (uint32_t stored : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    box = RestoredWindowBox(current, {stored, stored}, tallest);
    EXPECT_LE(box.left, kFarthestWindowCoordinate);
    EXPECT_GE(box.left, -kFarthestWindowCoordinate);
    EXPECT_EQ(1280 + kPanelWidthMargin, box.right - box.left);
    EXPECT_EQ(4096 + kPanelHeightMargin, box.bottom - box.top);
    const ScreenBox placed = ReachablePlacement(box, 25, {0, 0, 1920, 1050});
    EXPECT_EQ(0, placed.top);
    EXPECT_EQ(box.right - box.left, placed.right - placed.left);
  }
  // A current box wider than any screen keeps a size that cannot overflow.
  box = RestoredWindowBox({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0u, 0u}, keep);
  EXPECT_EQ(kFarthestWindowCoordinate, box.right);
  EXPECT_EQ(kFarthestWindowCoordinate, box.bottom);
}

}  // namespace
}  // namespace kvo
