// Pieces the toolkit's own sources share; not for windows that use the toolkit.
#pragma once

#include <windows.h>

namespace kvo::toolkit {

class SkinData;
struct FontSpec;

// A font of the face and size in points (bold when asked); nullptr when the platform refuses.
HFONT CreatePointFont(const FontSpec& spec);

// Height of one line of text in the window's font.
int TextLineHeight(HWND hwnd);

// The painting of a window drawn as a captioned, etched group frame over its whole client
// area: handles WM_ERASEBKGND (nothing to erase) and WM_PAINT. False for other messages.
bool PaintAsGroupFrame(HWND hwnd, UINT message, const SkinData* skin, LRESULT* result);

}  // namespace kvo::toolkit
