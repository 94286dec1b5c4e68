// The skin description read from "dazodi\skin.ini": an INI text in our own format, parsed
// here without any platform header so the parser is tested natively.
//
// Format (sections and keys are case-insensitive; ';' or '#' starts a comment line; blank
// lines are ignored; unknown sections and keys are ignored so later skins stay readable):
//
//   [Skin]
//   Version=1                   required; the only version this reader knows
//   Name=Any text               optional
//
//   [Colors]                    each value "#RRGGBB" or "R,G,B" (0..255)
//   Frame=                      outer frame of the active window
//   FrameInactive=              outer frame of an inactive window
//   Caption=                    caption band of the active window
//   CaptionInactive=            caption band of an inactive window
//   CaptionText=                caption text, active
//   CaptionTextInactive=        caption text, inactive
//   Face=                       client and control background
//   Text=                       control text
//   ButtonFace=                 push button face
//   ButtonText=                 push button text
//   ButtonLight=                raised edge of buttons and frames
//   ButtonShadow=               sunken edge of buttons and frames
//
//   [Metrics]
//   FrameWidth=4                0..16 pixels around the window
//   CaptionHeight=22            12..64 pixels
//   CaptionButtonWidth=18       8..64 pixels
//   CaptionButtonHeight=16      8..64 pixels, at most CaptionHeight
//
//   [Fonts]                     "Face name,points[,bold]"; face up to 31 characters,
//   Caption=Tahoma,8,bold       points 6..36
//   Controls=MS Sans Serif,8
//
//   [CaptionButtons]            optional pictures (BMP files relative to the skin file's
//   SystemMenu=sysmenu.bmp      folder), each a strip of four states side by side:
//   Minimize=minimize.bmp       normal, hot, pressed, inactive. A missing picture falls back
//   Maximize=maximize.bmp       to a button drawn in the skin's colours.
//   Restore=restore.bmp
//   RollUp=rollup.bmp
//   RollDown=rolldown.bmp
//   Close=close.bmp
//
// A file is unusable (and the windows keep their plain look) when it is larger than
// kMaxSkinFileSize, has no [Skin] section with Version=1, has a line that is neither a
// section, a key=value pair, a comment nor blank, or gives a known key a malformed or
// out-of-range value. Keys it does not give keep the defaults of SkinDescription.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvo::toolkit {

constexpr std::size_t kMaxSkinFileSize = 64 * 1024;
constexpr std::size_t kMaxFontFaceLength = 31;
constexpr std::size_t kMaxPicturePathLength = 200;

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb& a, const Rgb& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
  }
};

struct FontSpec {
  std::string face;
  int points = 8;
  bool bold = false;
};

enum class CaptionButtonKind { kSystemMenu, kMinimize, kMaximize, kRestore, kRollUp, kRollDown,
                               kClose, kCount };

struct SkinColors {
  Rgb frame{0x3A, 0x4E, 0x6E};
  Rgb frame_inactive{0x80, 0x88, 0x94};
  Rgb caption{0x2C, 0x5A, 0x9A};
  Rgb caption_inactive{0x9A, 0xA4, 0xB2};
  Rgb caption_text{0xFF, 0xFF, 0xFF};
  Rgb caption_text_inactive{0xE8, 0xE8, 0xE8};
  Rgb face{0xD8, 0xDE, 0xE8};
  Rgb text{0x10, 0x18, 0x28};
  Rgb button_face{0xC4, 0xCE, 0xDC};
  Rgb button_text{0x10, 0x18, 0x28};
  Rgb button_light{0xF4, 0xF6, 0xFA};
  Rgb button_shadow{0x6A, 0x76, 0x88};
};

struct SkinMetrics {
  int frame_width = 4;
  int caption_height = 22;
  int caption_button_width = 18;
  int caption_button_height = 16;
};

struct SkinDescription {
  std::string name;
  SkinColors colors;
  SkinMetrics metrics;
  FontSpec caption_font{"Tahoma", 8, true};
  FontSpec control_font{"MS Sans Serif", 8, false};
  // Picture file per CaptionButtonKind, as written in the file (empty: drawn button).
  std::array<std::string, static_cast<std::size_t>(CaptionButtonKind::kCount)> button_pictures;
};

struct SkinParseResult {
  bool ok = false;
  SkinDescription skin;
  int error_line = 0;  // 1-based line of the first fault; 0 for a fault of the whole file
  std::string error;   // short reason, for diagnostics and tests
};

SkinParseResult ParseSkin(std::string_view text);

// "#RRGGBB" or "R,G,B" with components 0..255 (spaces around numbers allowed).
bool ParseRgb(std::string_view text, Rgb* colour);
// "Face,points" or "Face,points,bold".
bool ParseFontSpec(std::string_view text, FontSpec* font);

}  // namespace kvo::toolkit
