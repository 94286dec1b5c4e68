#include "control_math.h"

#include <algorithm>

namespace kvo::toolkit {

bool SliderRange::SetMinimum(int new_minimum) {
  minimum = new_minimum;
  if (maximum < minimum) maximum = minimum;
  return SetValue(value);
}

bool SliderRange::SetMaximum(int new_maximum) {
  maximum = new_maximum;
  if (minimum > maximum) minimum = maximum;
  return SetValue(value);
}

bool SliderRange::SetRange(int new_minimum, int new_maximum) {
  minimum = new_minimum;
  maximum = std::max(new_minimum, new_maximum);
  return SetValue(value);
}

bool SliderRange::SetValue(int new_value) {
  const int clamped = std::clamp(new_value, minimum, maximum);
  const bool changed = clamped != value;
  value = clamped;
  return changed;
}

std::vector<Rect> RadioItemRects(int width, int height, int count, int columns,
                                 int caption_height) {
  std::vector<Rect> rects;
  if (count <= 0) return rects;
  constexpr int kSideMargin = 8;
  constexpr int kBottomMargin = 4;
  columns = std::clamp(columns, 1, count);
  const int rows = (count + columns - 1) / columns;
  const int inner_width = std::max(0, width - 2 * kSideMargin);
  const int top = std::max(0, caption_height);
  const int inner_height = std::max(0, height - top - kBottomMargin);
  const int column_width = inner_width / columns;
  rects.reserve(static_cast<size_t>(count));
  for (int index = 0; index < count; ++index) {
    const int column = index / rows;
    const int row = index % rows;
    // Each row gets its share of the height, rounded so the rows tile without gaps.
    const int row_top = top + inner_height * row / rows;
    const int row_bottom = top + inner_height * (row + 1) / rows;
    rects.push_back({kSideMargin + column * column_width, row_top, column_width,
                     row_bottom - row_top});
  }
  return rects;
}

int LimitedItemIndex(int index, int count) {
  if (index < 0 || count <= 0) return -1;
  return std::min(index, count - 1);
}

}  // namespace kvo::toolkit
