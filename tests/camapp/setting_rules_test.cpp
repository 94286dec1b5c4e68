// The settings window's rules, table-driven: keeping the window on the desktop, the
// compressor entry a stored name selects, and the stream-format sizing of the main window.
#include "setting_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace kvo {
namespace {

std::string Show(const ScreenBox& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

TEST(SettingRulesTest, ShownWindowIsKeptInsideTheDesktop) {
  const ScreenBox desktop{0, 0, 1024, 768};
  struct Case {
    ScreenBox window;
    ScreenBox expected;
  };
  const Case cases[] = {
      // Design position, fully inside: unchanged.
      {{511, 403, 872, 620}, {511, 403, 872, 620}},
      // Above the top: moved to the top.
      {{100, -50, 461, 167}, {100, 0, 461, 217}},
      // Beyond the right edge: its right edge meets the desktop's.
      {{900, 100, 1261, 317}, {663, 100, 1024, 317}},
      // Left of the desktop: moved to its left.
      {{-40, 100, 321, 317}, {0, 100, 361, 317}},
      // Below the bottom: bottom − height − 30.
      {{100, 700, 461, 917}, {100, 521, 461, 738}},
      // Wider than the desktop: the left rule comes after the right rule and wins.
      {{200, 100, 1300, 317}, {0, 100, 1100, 317}},
      // Taller than the desktop: the bottom rule comes last and wins over the top rule.
      {{10, -10, 371, 790}, {10, -62, 371, 738}},
  };
  for (const Case& c : cases) {
    const ScreenBox moved = KeepInsideDesktop(c.window, desktop);
    EXPECT_EQ(Show(c.expected), Show(moved)) << "window " << Show(c.window);
    EXPECT_EQ(c.window.width(), moved.width());
    EXPECT_EQ(c.window.height(), moved.height());
  }
  // A desktop that does not start at 0, 0 (a second monitor on the left).
  const ScreenBox shifted = KeepInsideDesktop({-2000, 10, -1639, 227}, {-1280, 0, 0, 1024});
  EXPECT_EQ("-1280,10 -919,227", Show(shifted));
}

TEST(SettingRulesTest, StoredCompressorNameSelectsItsEntry) {
  const std::vector<std::string> listed = {"Cinepak Codec", "Video 1", "MS-RLE", "Video 1"};
  struct Case {
    const char* stored;
    int entry;
  };
  const Case cases[] = {
      {"Cinepak Codec", 1},
      {"MS-RLE", 3},
      {"Video 1", 4},          // a later equal name overrides an earlier one
      {"video 1", -1},         // names compare case-sensitively
      {"Uninstalled Codec", -1},
      {"No Compress", 0},
      {"", 0},
      {"Cinepak Codec ", -1},  // exact comparison: no trimming
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.entry, CompressorEntryFor(listed, c.stored)) << "stored \"" << c.stored << "\"";
  }
  EXPECT_EQ(-1, CompressorEntryFor({}, "Video 1"));
  EXPECT_EQ(0, CompressorEntryFor({}, "No Compress"));
  // A compressor that calls itself "No Compress" still leaves entry 0 chosen.
  EXPECT_EQ(0, CompressorEntryFor({"No Compress"}, "No Compress"));
}

TEST(SettingRulesTest, StreamFormatSizesMainWindowAndPlacesPreview) {
  struct Case {
    int width, height;
    bool applies;
    int main_width, main_height, preview_width, preview_height, left, top;
  };
  const Case cases[] = {
      {176, 144, true, 345, 199, 176, 144, 72, 0},
      {160, 120, true, 345, 175, 160, 120, 80, 0},
      {319, 239, true, 345, 294, 319, 239, 0, 0},
      {320, 240, true, 345, 295, 320, 240, 0, 0},
      {640, 480, true, 665, 535, 640, 480, 0, 0},
      {1280, 1024, true, 1305, 1079, 1280, 1024, 0, 0},
      {1, 1, true, 345, 56, 1, 1, 159, 0},
      {176, -144, true, 345, 199, 176, 144, 72, 0},  // top-down format
      {1281, 1024, false, 0, 0, 0, 0, 0, 0},
      {0, 480, false, 0, 0, 0, 0, 0, 0},
      {-640, 480, false, 0, 0, 0, 0, 0, 0},
      {640, 0, false, 0, 0, 0, 0, 0, 0},
      {640, INT_MAX, false, 0, 0, 0, 0, 0, 0},
      {640, INT_MIN, false, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const StreamFormatLayout layout = LayoutForStreamFormat(c.width, c.height);
    ASSERT_EQ(c.applies, layout.applies);
    if (!layout.applies) continue;
    EXPECT_EQ(c.width < 320, layout.centred);
    EXPECT_EQ(c.main_width, layout.main_width);
    EXPECT_EQ(c.main_height, layout.main_height);
    EXPECT_EQ(c.preview_width, layout.preview_width);
    EXPECT_EQ(c.preview_height, layout.preview_height);
    const PreviewOrigin origin = PreviewOriginFor(layout.preview_width, layout.preview_height,
                                                  layout.main_width, layout.main_height);
    EXPECT_EQ(c.left, origin.left);
    EXPECT_EQ(c.top, origin.top);
  }
  // A main window the platform made taller than asked: a narrow preview moves down by half.
  EXPECT_EQ(10, PreviewOriginFor(176, 144, 345, 219).top);
  // Rounding toward zero when the window came out smaller than the frame needs.
  EXPECT_EQ(-1, PreviewOriginFor(176, 144, 345, 196).top);
}

TEST(SettingRulesTest, LargeFormatNeedsBothDirectionsAbove640x480) {
  EXPECT_TRUE(IsLargeStreamFormat(1280, 1024));
  EXPECT_TRUE(IsLargeStreamFormat(641, 481));
  EXPECT_FALSE(IsLargeStreamFormat(640, 480));
  EXPECT_FALSE(IsLargeStreamFormat(1280, 480));
  EXPECT_FALSE(IsLargeStreamFormat(640, 1024));
  // The sides as a stored or top-down format states them: magnitudes count, and the most
  // negative side is as large as any.
  EXPECT_TRUE(IsLargeStreamFormat(1280, -1024));
  EXPECT_TRUE(IsLargeStreamFormat(-641, -481));
  EXPECT_TRUE(IsLargeStreamFormat(INT_MIN, INT_MIN));
  EXPECT_FALSE(IsLargeStreamFormat(-640, INT_MIN));
}

}  // namespace
}  // namespace kvo
