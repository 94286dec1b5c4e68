// Conversions between UTF-16 (device names, some platform paths) and the ANSI code page.
#pragma once

#include <string>

namespace kvo {

// Converts to the ANSI code page; characters without a mapping become '?'.
std::string WideToAnsi(const wchar_t* text);
std::wstring AnsiToWide(const char* text);

// Windows path of a file of the Linux tree under Wine ("/a/b" -> "Z:\a\b"); other paths
// are returned as they are.
std::string WinePathOf(const std::string& unix_path);

}  // namespace kvo
