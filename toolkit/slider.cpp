#include "slider.h"

#include <commctrl.h>

#include <algorithm>

namespace kvo::toolkit {

bool Slider::Create(const CreateArgs& args) {
  range_ = SliderRange{};
  range_.SetRange(args.minimum, args.maximum);
  range_.SetValue(args.value);
  on_change_ = args.on_change;
  const DWORD style =
      (args.orientation == SliderOrientation::kVertical ? TBS_VERT : TBS_HORZ) | TBS_NOTICKS;
  if (!CreateControl(args, TRACKBAR_CLASSA, style)) return false;
  SendMessageA(hwnd(), TBM_SETLINESIZE, 0, std::max(1, args.line_size));
  ShowRange();
  return true;
}

void Slider::SetValue(int value) { AfterChange(range_.SetValue(value)); }
void Slider::SetMinimum(int minimum) { AfterChange(range_.SetMinimum(minimum)); }
void Slider::SetMaximum(int maximum) { AfterChange(range_.SetMaximum(maximum)); }
void Slider::SetRange(int minimum, int maximum) { AfterChange(range_.SetRange(minimum, maximum)); }

void Slider::SetLineSize(int line_size) {
  if (hwnd() != nullptr) SendMessageA(hwnd(), TBM_SETLINESIZE, 0, std::max(1, line_size));
}

void Slider::ShowRange() {
  if (hwnd() == nullptr) return;
  SendMessageA(hwnd(), TBM_SETRANGEMIN, FALSE, range_.minimum);
  SendMessageA(hwnd(), TBM_SETRANGEMAX, FALSE, range_.maximum);
  SendMessageA(hwnd(), TBM_SETPOS, TRUE, range_.value);
}

void Slider::AfterChange(bool value_changed) {
  ShowRange();
  if (value_changed && on_change_) on_change_(*this);
}

bool Slider::OnScroll(HWND source, WORD, LRESULT* result) {
  if (source != hwnd()) return false;
  const int position = static_cast<int>(SendMessageA(hwnd(), TBM_GETPOS, 0, 0));
  // The trackbar already shows the user's position; the value follows it, in range.
  if (range_.SetValue(position) && on_change_) on_change_(*this);
  *result = 0;
  return true;
}

}  // namespace kvo::toolkit
