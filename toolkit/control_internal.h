// Pieces the toolkit's own sources share; not for windows that use the toolkit.
#pragma once

#include <windows.h>

namespace kvo::toolkit {

class SkinData;

// The toolkit's container window class (registered on first use); nullptr when the platform
// refuses to register it.
const char* ContainerClassName();

// Height of one line of text in the window's font.
int TextLineHeight(HWND hwnd);

// Paints a captioned, etched group frame over the whole client area of hwnd.
void PaintGroupFrame(HWND hwnd, HDC dc, const SkinData* skin);

}  // namespace kvo::toolkit
