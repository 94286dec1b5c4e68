#include "skin_format.h"

#include <algorithm>
#include <cctype>

namespace kvo::toolkit {

namespace {

// The blanks of the "C" locale's isspace.
constexpr char kBlanks[] = " \t\n\v\f\r";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// A decimal number without sign, at most 9 digits so it cannot overflow.
bool ParseCount(std::string_view text, int* number) {
  text = Trim(text);
  if (text.empty() || text.size() > 9) return false;
  int value = 0;
  for (char digit : text) {
    if (digit < '0' || digit > '9') return false;
    value = value * 10 + (digit - '0');
  }
  *number = value;
  return true;
}

bool ParseBounded(std::string_view text, int low, int high, int* number) {
  int value = 0;
  if (!ParseCount(text, &value) || value < low || value > high) return false;
  *number = value;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits at the first comma; false when there is none.
bool SplitComma(std::string_view text, std::string_view* head, std::string_view* tail) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return false;
  *head = text.substr(0, comma);
  *tail = text.substr(comma + 1);
  return true;
}

enum class Section { kNone, kSkin, kColors, kMetrics, kFonts, kCaptionButtons, kUnknown };

Section SectionNamed(std::string_view name) {
  if (EqualsNoCase(name, "Skin")) return Section::kSkin;
  if (EqualsNoCase(name, "Colors")) return Section::kColors;
  if (EqualsNoCase(name, "Metrics")) return Section::kMetrics;
  if (EqualsNoCase(name, "Fonts")) return Section::kFonts;
  if (EqualsNoCase(name, "CaptionButtons")) return Section::kCaptionButtons;
  return Section::kUnknown;
}

struct ColourKey {
  const char* name;
  Rgb SkinColors::*member;
};

constexpr ColourKey kColourKeys[] = {
    {"Frame", &SkinColors::frame},
    {"FrameInactive", &SkinColors::frame_inactive},
    {"Caption", &SkinColors::caption},
    {"CaptionInactive", &SkinColors::caption_inactive},
    {"CaptionText", &SkinColors::caption_text},
    {"CaptionTextInactive", &SkinColors::caption_text_inactive},
    {"Face", &SkinColors::face},
    {"Text", &SkinColors::text},
    {"ButtonFace", &SkinColors::button_face},
    {"ButtonText", &SkinColors::button_text},
    {"ButtonLight", &SkinColors::button_light},
    {"ButtonShadow", &SkinColors::button_shadow},
};

struct MetricKey {
  const char* name;
  int SkinMetrics::*member;
  int low;
  int high;
};

constexpr MetricKey kMetricKeys[] = {
    {"FrameWidth", &SkinMetrics::frame_width, 0, 16},
    {"CaptionHeight", &SkinMetrics::caption_height, 12, 64},
    {"CaptionButtonWidth", &SkinMetrics::caption_button_width, 8, 64},
    {"CaptionButtonHeight", &SkinMetrics::caption_button_height, 8, 64},
};

constexpr const char* kButtonKeys[] = {"SystemMenu", "Minimize", "Maximize", "Restore",
                                       "RollUp",     "RollDown", "Close"};
static_assert(sizeof(kButtonKeys) / sizeof(kButtonKeys[0]) ==
              static_cast<std::size_t>(CaptionButtonKind::kCount));

class Parser {
 public:
  SkinParseResult Run(std::string_view text) {
    if (text.size() > kMaxSkinFileSize) return Fail(0, "file too large");
    int line_number = 0;
    while (!text.empty()) {
      ++line_number;
      const std::size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      if (line_number == 1 && line.size() >= 3 && line.substr(0, 3) == "\xEF\xBB\xBF") {
        line.remove_prefix(3);  // a byte-order mark some editors write
      }
      if (!ParseLine(Trim(line))) return Fail(line_number, error_);
    }
    if (!version_seen_) return Fail(0, "no [Skin] Version=1");
    const SkinMetrics& metrics = result_.skin.metrics;
    if (metrics.caption_button_height > metrics.caption_height) {
      return Fail(0, "caption button taller than the caption");
    }
    result_.ok = true;
    return result_;
  }

 private:
  SkinParseResult Fail(int line, std::string reason) {
    return {/*ok=*/false, SkinDescription(), line, std::move(reason)};
  }

  bool ParseLine(std::string_view line) {
    if (line.empty() || line.front() == ';' || line.front() == '#') return true;
    if (line.front() == '[') {
      if (line.back() != ']') return Error("unclosed section header");
      section_ = SectionNamed(Trim(line.substr(1, line.size() - 2)));
      return true;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return Error("not a key=value line");
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key.empty()) return Error("empty key");
    if (section_ == Section::kNone) return Error("key outside a section");
    return ParseKey(key, value);
  }

  bool ParseKey(std::string_view key, std::string_view value) {
    SkinDescription& skin = result_.skin;
    switch (section_) {
      case Section::kSkin:
        if (EqualsNoCase(key, "Version")) {
          int version = 0;
          if (!ParseCount(value, &version) || version != 1) return Error("unknown version");
          version_seen_ = true;
        } else if (EqualsNoCase(key, "Name")) {
          if (value.size() > 63) return Error("name too long");
          skin.name = std::string(value);
        }
        return true;
      case Section::kColors:
        for (const ColourKey& entry : kColourKeys) {
          if (EqualsNoCase(key, entry.name)) {
            return ParseRgb(value, &(skin.colors.*entry.member)) || Error("bad colour");
          }
        }
        return true;
      case Section::kMetrics:
        for (const MetricKey& entry : kMetricKeys) {
          if (EqualsNoCase(key, entry.name)) {
            return ParseBounded(value, entry.low, entry.high, &(skin.metrics.*entry.member)) ||
                   Error("metric out of range");
          }
        }
        return true;
      case Section::kFonts: {
        FontSpec* font = EqualsNoCase(key, "Caption")    ? &skin.caption_font
                         : EqualsNoCase(key, "Controls") ? &skin.control_font
                                                         : nullptr;
        return font == nullptr || ParseFontSpec(value, font) || Error("bad font");
      }
      case Section::kCaptionButtons:
        for (std::size_t i = 0; i < std::size(kButtonKeys); ++i) {
          if (EqualsNoCase(key, kButtonKeys[i])) {
            if (value.empty() || value.size() > kMaxPicturePathLength) {
              return Error("bad picture name");
            }
            skin.button_pictures[i] = std::string(value);
            return true;
          }
        }
        return true;
      case Section::kNone:
      case Section::kUnknown:
        return true;
    }
    return true;
  }

  bool Error(const char* reason) {
    error_ = reason;
    return false;
  }

  SkinParseResult result_;
  Section section_ = Section::kNone;
  bool version_seen_ = false;
  std::string error_;
};

}  // namespace

bool ParseRgb(std::string_view text, Rgb* colour) {
  text = Trim(text);
  int parts[3] = {};
  if (!text.empty() && text.front() == '#') {
    if (text.size() != 7) return false;
    for (int i = 0; i < 3; ++i) {
      const int high = HexDigit(text[1 + 2 * i]);
      const int low = HexDigit(text[2 + 2 * i]);
      if (high < 0 || low < 0) return false;
      parts[i] = high * 16 + low;
    }
  } else {
    std::string_view red, green, blue, rest;
    if (!SplitComma(text, &red, &rest) || !SplitComma(rest, &green, &blue)) return false;
    if (!ParseBounded(red, 0, 255, &parts[0]) || !ParseBounded(green, 0, 255, &parts[1]) ||
        !ParseBounded(blue, 0, 255, &parts[2])) {
      return false;
    }
  }
  colour->red = static_cast<std::uint8_t>(parts[0]);
  colour->green = static_cast<std::uint8_t>(parts[1]);
  colour->blue = static_cast<std::uint8_t>(parts[2]);
  return true;
}

bool ParseFontSpec(std::string_view text, FontSpec* font) {
  std::string_view face, rest;
  if (!SplitComma(Trim(text), &face, &rest)) return false;
  face = Trim(face);
  if (face.empty() || face.size() > kMaxFontFaceLength) return false;
  std::string_view points_text = rest, style;
  bool bold = false;
  if (SplitComma(rest, &points_text, &style)) {
    if (!EqualsNoCase(Trim(style), "bold")) return false;
    bold = true;
  }
  int points = 0;
  if (!ParseBounded(points_text, 6, 36, &points)) return false;
  font->face = std::string(face);
  font->points = points;
  font->bold = bold;
  return true;
}

SkinParseResult ParseSkin(std::string_view text) { return Parser().Run(text); }

}  // namespace kvo::toolkit
