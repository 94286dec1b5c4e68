// Plain arithmetic behind the controls: a slider's range rules and a radio group's item
// layout and selection. No platform headers, so the rules are tested natively.
#pragma once

#include <vector>

namespace kvo::toolkit {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The range and value of a slider. Every change keeps minimum <= value <= maximum: a minimum
// above the maximum raises the maximum with it (and a maximum below the minimum lowers the
// minimum), and the value is clamped into the range. Each operation returns true when the
// value changed, which is when the slider runs its change handler.
struct SliderRange {
  int minimum = 0;
  int maximum = 100;
  int value = 0;

  bool SetMinimum(int new_minimum);
  bool SetMaximum(int new_maximum);
  bool SetRange(int new_minimum, int new_maximum);
  bool SetValue(int new_value);
};

// Lays out count radio items in columns inside a group frame of width x height: items fill
// column by column, rows = ceil(count / columns); the first row starts below the caption
// band of caption_height, and the rows share the remaining height evenly. Margins keep the
// items off the frame. Returns an empty list for count <= 0; columns < 1 counts as 1.
std::vector<Rect> RadioItemRects(int width, int height, int count, int columns,
                                 int caption_height);

// The item a radio group selects when asked for index: an index past the last item selects
// the last item, a negative index selects none (-1), and so does any index in a group
// without items. So a camera reporting a value beyond the items still shows its nearest one.
int LimitedItemIndex(int index, int count);

}  // namespace kvo::toolkit
