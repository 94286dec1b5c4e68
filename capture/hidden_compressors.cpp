#include "hidden_compressors.h"

#include <cctype>

namespace kvo {

HiddenCompressorTable DefaultHiddenCompressors() {
  return {{{"Microsoft Video 1", true},
           {"Microsoft RLE", true},
           {"MJPEG Compressor", false},
           {"Cinepak Codec by Radius", false},
           {"Indeo", false},
           {"Intel 4:2:0", false},
           {"Microsoft H.", false},
           {"DMO", false}}};
}

void SetSwitchableRows(HiddenCompressorTable& table, bool hide_video1, bool hide_rle) {
  table[0].skip = !hide_video1;
  table[1].skip = !hide_rle;
}

std::string AsciiUpper(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool IsHiddenCompressor(const std::string& friendly_name, const HiddenCompressorTable& table,
                        const UpperCase& upper) {
  const std::string name = upper(friendly_name);
  for (const HiddenCompressorRow& row : table) {
    if (row.skip || row.fragment == nullptr) continue;
    if (name.find(upper(row.fragment)) != std::string::npos) return true;
  }
  return false;
}

}  // namespace kvo
