// Conversions between UTF-16 (device names, some platform paths) and the ANSI code page.
#pragma once

#include <string>

struct IMoniker;

namespace kvo {

// Converts to the ANSI code page; characters without a mapping become '?'.
std::string WideToAnsi(const wchar_t* text);
std::wstring AnsiToWide(const char* text);

// A device's whole display name in the ANSI code page; empty when it gives none.
std::string DisplayNameOf(IMoniker* moniker);

}  // namespace kvo
