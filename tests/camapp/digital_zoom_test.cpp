// The digital zoom's owner with stand-in controls that behave as the property window's: the
// box switches the zoom on or off and resets the slider, and every slider change is reported
// back the way the window's change handler reports it.
#include "digital_zoom.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvo {
namespace {

class StandInControls : public ZoomControls {
 public:
  StandInControls(DigitalZoom& zoom, int32_t maximum) : zoom_(zoom), maximum_(maximum) {
    zoom_.SetZoomMax(maximum);
    value_ = maximum;
  }

  bool ZoomBoxEnabled() const override { return box_enabled; }
  bool ZoomBoxChecked() const override { return box_checked; }
  void SetZoomBoxChecked(bool checked) override {
    if (checked == box_checked) return;
    box_checked = checked;
    ++box_changes;
    zoom_.SetZoomMax(maximum_);
    MoveTo(maximum_);  // switching the zoom on or off resets it to level 0
  }
  int32_t ZoomSliderMaximum() const override { return maximum_; }
  void SetZoomSliderValue(int32_t value) override {
    positions.push_back(value);
    guarded.push_back(zoom_.ZoomGuard());
    MoveTo(value);
  }
  void ShowZoomBanner() override { banners.push_back(zoom_.ZoomFactor()); }
  void PauseBetweenSteps() override { ++pauses; }

  void Forget() {
    positions.clear();
    guarded.clear();
    banners.clear();
    pauses = 0;
    box_changes = 0;
  }

  bool box_enabled = true;
  bool box_checked = false;
  int box_changes = 0;
  int pauses = 0;
  std::vector<int32_t> positions;
  std::vector<bool> guarded;
  std::vector<int32_t> banners;  // the factor each banner showed

 private:
  void MoveTo(int32_t value) {
    if (value == value_) return;
    value_ = value;
    if (zoom_.FollowSlider(box_checked, value_, maximum_)) banners.push_back(zoom_.ZoomFactor());
  }

  DigitalZoom& zoom_;
  int32_t maximum_;
  int32_t value_ = 0;
};

TEST(DigitalZoom, StepsInToTheLimitAndOutToOneWithTheSliderGuarded) {
  DigitalZoom zoom;
  EXPECT_FALSE(zoom.StepsAvailable()) << "no property window yet";
  zoom.Step(true);
  EXPECT_EQ(10, zoom.ZoomFactor());

  StandInControls controls(zoom, 64);
  zoom.BindControls(&controls);
  EXPECT_EQ(20, zoom.ZoomLimit());
  ASSERT_TRUE(zoom.StepsAvailable());

  // In from 1.0: the box is checked, the slider passes 64..53 with a pause after each and
  // rests on 52; the factor is kept meanwhile and the one banner shows 1.1.
  zoom.Step(true);
  EXPECT_TRUE(controls.box_checked);
  std::vector<int32_t> expected;
  for (int32_t value = 64; value >= 53; --value) expected.push_back(value);
  expected.push_back(52);
  EXPECT_EQ(expected, controls.positions);
  EXPECT_EQ(12, controls.pauses);
  EXPECT_EQ(std::vector<bool>(expected.size(), true), controls.guarded);
  EXPECT_FALSE(zoom.ZoomGuard());
  EXPECT_EQ(std::vector<int32_t>{11}, controls.banners);
  EXPECT_EQ(11, zoom.ZoomFactor());

  // On to the limit; a step beyond it only redraws the banner.
  for (int step = 0; step < 9; ++step) zoom.Step(true);
  EXPECT_EQ(20, zoom.ZoomFactor());
  controls.Forget();
  zoom.Step(true);
  EXPECT_TRUE(controls.positions.empty());
  EXPECT_EQ(std::vector<int32_t>{20}, controls.banners);

  // Out again: the slider climbs; the step that reaches 1.0 switches the zoom off.
  for (int step = 0; step < 9; ++step) zoom.Step(false);
  EXPECT_EQ(11, zoom.ZoomFactor());
  EXPECT_TRUE(controls.box_checked);
  controls.Forget();
  zoom.Step(false);
  EXPECT_EQ(52, controls.positions.front());
  EXPECT_EQ(64, controls.positions.back());
  EXPECT_EQ(10, zoom.ZoomFactor());
  EXPECT_FALSE(controls.box_checked);
  EXPECT_EQ(10, controls.banners.front());

  // Out at 1.0 with the box checked by hand: no slider move, the banner, the box unchecked.
  controls.SetZoomBoxChecked(true);
  controls.Forget();
  zoom.Step(false);
  EXPECT_TRUE(controls.positions.empty());
  EXPECT_EQ(std::vector<int32_t>{10}, controls.banners);
  EXPECT_FALSE(controls.box_checked);

  // The user's own slider moves are followed; the zoom off means 1.0.
  EXPECT_TRUE(zoom.FollowSlider(true, 32, 64));
  EXPECT_EQ(13, zoom.ZoomFactor());
  EXPECT_FALSE(zoom.FollowSlider(false, 32, 64));
  EXPECT_EQ(10, zoom.ZoomFactor());

  // A disabled box (a large stream format) takes the steps away.
  controls.box_enabled = false;
  EXPECT_FALSE(zoom.StepsAvailable());
  zoom.BindControls(nullptr);
  EXPECT_FALSE(zoom.StepsAvailable());
}

}  // namespace
}  // namespace kvo
