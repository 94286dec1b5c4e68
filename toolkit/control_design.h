// A window's designed layout: one row per control, bounds (left, top, width, height) within
// the parent, caption and hint, kept as a table of data next to the window's class.
#pragma once

#include <windows.h>

#include "control_math.h"
#include "unique_resource.h"

namespace kvo::toolkit {

class SkinData;

struct ControlDesign {
  Rect bounds;
  const char* caption;
  const char* hint;
};

// The CreateArgs of a control of the row, under parent, drawn with the skin.
template <typename Args>
Args ArgsFrom(const ControlDesign& design, HWND parent, const SkinData* skin) {
  Args args;
  args.parent = parent;
  args.bounds = design.bounds;
  args.caption = design.caption;
  args.hint = design.hint;
  args.skin = skin;
  return args;
}

// A bitmap resource of the module as a DIB section (a button's picture); empty when the
// module lacks it.
UniqueHBitmap LoadPicture(HINSTANCE instance, const char* name);

// A 24-bit picture to draw into (a glyph, a banner, a copy of a still): a DIB section of the
// size, its rows bottom-up, or top-down for a negative height. Empty when the platform
// refuses; bits, when given, receives the pixels.
UniqueHBitmap CreateRgbPicture(int width, int height, void** bits = nullptr);

}  // namespace kvo::toolkit
