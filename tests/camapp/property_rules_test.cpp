// The property window's arithmetic: zoom limit, factor and slider positions, the runs of a
// zoom step, pan steps, effect and frame values, increments, banner text, desktop placement.
#include "property_rules.h"

#include <gtest/gtest.h>

namespace kvo {
namespace {

TEST(PropertyRules, ZoomMaximumLimitAndFactor) {
  struct Case {
    int32_t reported;
    int32_t usable;
    int32_t limit;
  };
  const Case cases[] = {{0, 64, 20}, {64, 64, 20}, {100, 100, 40}, {127, 127, 1280},
                        {1, 1, 10}, {128, 64, 20}, {-5, 64, 20}, {500, 64, 20}};
  for (const Case& c : cases) {
    EXPECT_EQ(UsableZoomMax(c.reported), c.usable) << "reported " << c.reported;
    EXPECT_EQ(ZoomLimitFor(c.reported), c.limit) << "reported " << c.reported;
  }
  struct FactorCase {
    int32_t value;
    int32_t max;
    int32_t factor;
  };
  const FactorCase factors[] = {{64, 64, 10}, {32, 64, 13}, {0, 64, 20}, {52, 64, 11},
                                {100, 100, 10}, {0, 100, 45}, {-200, 64, 1280}};
  for (const FactorCase& c : factors) {
    EXPECT_EQ(ZoomFactorFor(c.value, c.max), c.factor) << c.value << " of " << c.max;
  }
}

TEST(PropertyRules, ZoomLevelOfAnyCameraAnswerStaysOnTheSlider) {
  EXPECT_EQ(ZoomSliderValueForLevel(64, 0), 64);
  EXPECT_EQ(ZoomSliderValueForLevel(64, 20), 44);
  EXPECT_EQ(ZoomSliderValueForLevel(64, 64), 0);
  // Levels beyond the maximum, negative or at the ends of the range: no overflow, and the
  // value stays on the slider.
  EXPECT_EQ(ZoomSliderValueForLevel(64, 65), 0);
  EXPECT_EQ(ZoomSliderValueForLevel(64, -1), 64);
  EXPECT_EQ(ZoomSliderValueForLevel(127, INT32_MIN), 127);
  EXPECT_EQ(ZoomSliderValueForLevel(1, INT32_MAX), 0);
}

TEST(PropertyRules, ZoomStepsPassEverySliderValueOnce) {
  EXPECT_EQ(ZoomSliderValueFor(10, 64), 64);
  EXPECT_EQ(ZoomSliderValueFor(11, 64), 52);
  EXPECT_EQ(ZoomSliderValueFor(20, 64), 0);
  EXPECT_EQ(ZoomSliderValueFor(0, 64), 64);  // no division by zero

  const ZoomStepRun in = ZoomInRun(10, 64);
  EXPECT_EQ(in.first, 64);
  EXPECT_EQ(in.count, 12);  // 64, 63, ... 53
  EXPECT_EQ(in.direction, -1);
  EXPECT_EQ(in.rest_value, 52);
  EXPECT_EQ(in.new_factor, 11);

  const ZoomStepRun out = ZoomOutRun(11, 64);
  EXPECT_EQ(out.first, 52);
  EXPECT_EQ(out.count, 12);  // 52, 53, ... 63
  EXPECT_EQ(out.direction, 1);
  EXPECT_EQ(out.rest_value, 64);
  EXPECT_EQ(out.new_factor, 10);

  // From 19 to 20 with max 64: v(19) = 3, v(20) = 0; the run is 3, 2, 1.
  const ZoomStepRun last = ZoomInRun(19, 64);
  EXPECT_EQ(last.first, 3);
  EXPECT_EQ(last.count, 3);
  EXPECT_EQ(last.rest_value, 0);
}

TEST(PropertyRules, PanStepsEffectValuesAndIncrements) {
  EXPECT_TRUE(PanStepsFor(61, 64).minus);
  EXPECT_EQ(PanStepsFor(61, 64).count, 3);
  EXPECT_FALSE(PanStepsFor(66, 61).minus);
  EXPECT_EQ(PanStepsFor(66, 61).count, 5);
  EXPECT_EQ(PanStepsFor(64, 64).count, 0);

  EXPECT_EQ(FrameValueFor(0), 0);
  EXPECT_EQ(FrameValueFor(1), 17);
  EXPECT_EQ(FrameValueFor(10), 26);

  struct Case {
    int32_t value;
    bool set_effect;
    int32_t effect;
    bool set_frame;
    int32_t frame;
  };
  const Case cases[] = {{0, true, 0, true, 0},      {3, true, 3, false, -1},
                        {16, true, 16, false, -1},  {-2, true, -1, false, -1},
                        {254, false, -1, false, -1}, {20, false, -1, true, 4},
                        {26, false, -1, true, 10},  {255, false, -1, true, 239}};
  for (const Case& c : cases) {
    const EffectSelection got = EffectSelectionFor(c.value);
    EXPECT_EQ(got.set_effect, c.set_effect) << c.value;
    EXPECT_EQ(got.effect_item, c.effect) << c.value;
    EXPECT_EQ(got.set_frame, c.set_frame) << c.value;
    EXPECT_EQ(got.frame_item, c.frame) << c.value;
  }

  EXPECT_EQ(SliderIncrement(10000, 20000), 500);
  EXPECT_EQ(SliderIncrement(0, 126), 6);
  EXPECT_EQ(SliderIncrement(0, 3600000), 180000);
  EXPECT_EQ(SliderIncrement(5000, 19900), 745);
  EXPECT_EQ(SliderIncrement(-2147483647 - 1, 2147483647), 214748364);
}

TEST(PropertyRules, BannerTextAndDesktopPlacement) {
  EXPECT_EQ(ZoomBannerText(13), "Zoom in 1.3");
  EXPECT_EQ(ZoomBannerText(20), "Zoom in 2.0");
  EXPECT_EQ(ZoomBannerText(10), "Zoom in 1.0");

  struct Case {
    int left, top, width, height;
    int want_left, want_top;
  };
  // Desktop 0, 0 - 1024 x 768.
  const Case cases[] = {
      {100, 100, 270, 450, 100, 100},   // inside: unchanged
      {-40, 100, 270, 450, 0, 100},     // off the left edge
      {900, 100, 270, 450, 754, 100},   // off the right edge
      {100, -20, 270, 450, 100, 0},     // above the top
      {100, 500, 270, 450, 100, 288},   // below the bottom: 30 pixels above it
  };
  for (const Case& c : cases) {
    const WindowPlace place =
        KeepPropertyWindowOnDesktop(c.left, c.top, c.width, c.height, 0, 0, 1024, 768);
    EXPECT_EQ(place.left, c.want_left) << c.left << "," << c.top;
    EXPECT_EQ(place.top, c.want_top) << c.left << "," << c.top;
  }
}

}  // namespace
}  // namespace kvo
