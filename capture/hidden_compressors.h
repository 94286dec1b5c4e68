// Which video compressors the compressor list leaves out. Plain C++: the caller supplies
// the upper-casing of its code page, so the rule is tested without the platform.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace kvo {

struct HiddenCompressorRow {
  const char* fragment;
  bool skip;  // a row whose skip flag is set hides nothing
};

constexpr int kHiddenCompressorRows = 8;
using HiddenCompressorTable = std::array<HiddenCompressorRow, kHiddenCompressorRows>;

// The table as the component starts with it; rows 0 and 1 are switched by
// SetSwitchableRows before each use.
HiddenCompressorTable DefaultHiddenCompressors();

// Row 0 hides "Microsoft Video 1" when hide_video1 is true, row 1 "Microsoft RLE" when
// hide_rle is true; the other rows are always active.
void SetSwitchableRows(HiddenCompressorTable& table, bool hide_video1, bool hide_rle);

using UpperCase = std::function<std::string(const std::string&)>;

// Upper-cases the ASCII letters only; the component passes the code page's own rule.
std::string AsciiUpper(const std::string& text);

// True when the upper-cased name contains the upper-cased fragment of an active row.
bool IsHiddenCompressor(const std::string& friendly_name, const HiddenCompressorTable& table,
                        const UpperCase& upper = AsciiUpper);

}  // namespace kvo
