// The skin file users swap: its text through the parser, then every caption-button picture
// it names through the lookup the loader opens. A parsed skin keeps every value within the
// ranges the windows draw with, and a picture is never looked up outside the skin's folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "skin_format.h"
#include "skin_pictures.h"

using namespace kvo::toolkit;

namespace {

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A step of dots and blanks with two dots or more: the platform drops a step's trailing dots
// and blanks, so it may read as "..".
bool ClimbsUp(std::string_view step) {
  std::size_t dots = 0;
  for (char c : step) {
    if (c != '.' && c != ' ') return false;
    dots += c == '.';
  }
  return dots >= 2;
}

void CheckPictureLookup(const std::string& folder, const std::string& name) {
  const auto file = CaptionButtonPicturePath(folder, name);
  if (!file) return;
  Check(*file == folder + name && file->size() < kMaxPictureFilePath);
  Check(!name.empty() && !IsSeparator(name.front()) && name.find(':') == std::string::npos);
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    Check(!ClimbsUp(std::string_view(name).substr(start, end - start)));
    start = end + 1;
  }
}

void CheckFont(const FontSpec& font) {
  Check(!font.face.empty() && font.face.size() <= kMaxFontFaceLength);
  Check(font.points >= 6 && font.points <= 36);
}

void CheckSkin(const SkinDescription& skin) {
  const SkinMetrics& m = skin.metrics;
  Check(m.frame_width >= 0 && m.frame_width <= 16);
  Check(m.caption_height >= 12 && m.caption_height <= 64);
  Check(m.caption_button_width >= 8 && m.caption_button_width <= 64);
  Check(m.caption_button_height >= 8 && m.caption_button_height <= m.caption_height);
  Check(skin.name.size() <= 63);
  CheckFont(skin.caption_font);
  CheckFont(skin.control_font);
  for (const std::string& picture : skin.button_pictures) {
    Check(picture.size() <= kMaxPicturePathLength);
    if (picture.empty()) continue;
    CheckPictureLookup("dazodi\\", picture);
    CheckPictureLookup("", picture);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const SkinParseResult parsed = ParseSkin(text);
  if (parsed.ok) {
    CheckSkin(parsed.skin);
  } else {
    Check(!parsed.error.empty() && parsed.error_line >= 0);
    // The fault's line is one of the text's lines.
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n';
    Check(static_cast<std::size_t>(parsed.error_line) <= lines);
  }
  // The first line taken as a picture name on its own, as a hand-edited skin may write it.
  const std::string first_line = text.substr(0, text.find('\n'));
  CheckPictureLookup("dazodi\\", first_line);
  CheckPictureLookup("", first_line);
  return 0;
}
