// Conversions between UTF-16 (device names, some platform paths) and the ANSI code page.
#pragma once

#include <string>

namespace kvo {

// Converts to the ANSI code page; characters without a mapping become '?'.
std::string WideToAnsi(const wchar_t* text);
std::wstring AnsiToWide(const char* text);

}  // namespace kvo
