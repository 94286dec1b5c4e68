// The preview switch's two glyphs, drawn here: an open eye (23 x 16) while the preview runs
// and a closed eye (25 x 18) while it does not. 24-bit device-independent bitmaps.
#pragma once

#include "unique_resource.h"

namespace kvo {

UniqueHBitmap MakeOpenEyeGlyph();
UniqueHBitmap MakeClosedEyeGlyph();

}  // namespace kvo
