// The toolkit's plain logic: the skin file's parser, the skinned frame's geometry and hit
// test, a slider's range rules and a radio group's item layout. Built for Windows and
// natively with sanitizers.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "control_math.h"
#include "skin_format.h"
#include "skin_geometry.h"

namespace kvo::toolkit {
namespace {

std::string ReadText(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(SkinFormat, ReadsEveryKeyOfAFullSkin) {
  const char* text =
      "; a comment\r\n"
      "[Skin]\r\n"
      "Version=1\r\n"
      "Name = Test skin\r\n"
      "\r\n"
      "[colors]\r\n"
      "Frame=#102030\r\n"
      "frameinactive= 1, 2 ,3\r\n"
      "Caption=#A0B0C0\r\n"
      "CaptionInactive=#a1b1c1\r\n"
      "CaptionText=255,255,255\r\n"
      "CaptionTextInactive=#EEEEEE\r\n"
      "Face=#D0D0D0\r\n"
      "Text=0,0,0\r\n"
      "ButtonFace=#C0C0C0\r\n"
      "ButtonText=#000001\r\n"
      "ButtonLight=#FFFFFE\r\n"
      "ButtonShadow=#808080\r\n"
      "# another comment\r\n"
      "[Metrics]\r\n"
      "FrameWidth=0\r\n"
      "CaptionHeight=30\r\n"
      "CaptionButtonWidth=20\r\n"
      "CaptionButtonHeight=30\r\n"
      "[Fonts]\r\n"
      "Caption=Arial,10,Bold\r\n"
      "Controls=Tahoma,9\r\n"
      "[CaptionButtons]\r\n"
      "Close=close.bmp\r\n"
      "RollDown=sub\\down.bmp\r\n"
      "[Later]\r\n"
      "Anything=goes\r\n";
  const SkinParseResult parsed = ParseSkin(text);
  ASSERT_TRUE(parsed.ok) << "line " << parsed.error_line << ": " << parsed.error;
  const SkinDescription& skin = parsed.skin;
  EXPECT_EQ(skin.name, "Test skin");
  EXPECT_EQ(skin.colors.frame, (Rgb{0x10, 0x20, 0x30}));
  EXPECT_EQ(skin.colors.frame_inactive, (Rgb{1, 2, 3}));
  EXPECT_EQ(skin.colors.caption, (Rgb{0xA0, 0xB0, 0xC0}));
  EXPECT_EQ(skin.colors.caption_inactive, (Rgb{0xA1, 0xB1, 0xC1}));
  EXPECT_EQ(skin.colors.caption_text, (Rgb{255, 255, 255}));
  EXPECT_EQ(skin.colors.caption_text_inactive, (Rgb{0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(skin.colors.face, (Rgb{0xD0, 0xD0, 0xD0}));
  EXPECT_EQ(skin.colors.text, (Rgb{0, 0, 0}));
  EXPECT_EQ(skin.colors.button_face, (Rgb{0xC0, 0xC0, 0xC0}));
  EXPECT_EQ(skin.colors.button_text, (Rgb{0, 0, 1}));
  EXPECT_EQ(skin.colors.button_light, (Rgb{0xFF, 0xFF, 0xFE}));
  EXPECT_EQ(skin.colors.button_shadow, (Rgb{0x80, 0x80, 0x80}));
  EXPECT_EQ(skin.metrics.frame_width, 0);
  EXPECT_EQ(skin.metrics.caption_height, 30);
  EXPECT_EQ(skin.metrics.caption_button_width, 20);
  EXPECT_EQ(skin.metrics.caption_button_height, 30);
  EXPECT_EQ(skin.caption_font.face, "Arial");
  EXPECT_EQ(skin.caption_font.points, 10);
  EXPECT_TRUE(skin.caption_font.bold);
  EXPECT_EQ(skin.control_font.face, "Tahoma");
  EXPECT_EQ(skin.control_font.points, 9);
  EXPECT_FALSE(skin.control_font.bold);
  const auto picture = [&](CaptionButtonKind kind) {
    return skin.button_pictures[static_cast<size_t>(kind)];
  };
  EXPECT_EQ(picture(CaptionButtonKind::kClose), "close.bmp");
  EXPECT_EQ(picture(CaptionButtonKind::kRollDown), "sub\\down.bmp");
  EXPECT_EQ(picture(CaptionButtonKind::kMinimize), "");
}

TEST(SkinFormat, KeysNotGivenKeepTheDefaults) {
  const SkinParseResult parsed = ParseSkin("\xEF\xBB\xBF[Skin]\nVersion=1\n[Metrics]\nFrameWidth=7\n");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const SkinDescription defaults;
  EXPECT_EQ(parsed.skin.metrics.frame_width, 7);
  EXPECT_EQ(parsed.skin.metrics.caption_height, defaults.metrics.caption_height);
  EXPECT_EQ(parsed.skin.colors.caption, defaults.colors.caption);
  EXPECT_EQ(parsed.skin.caption_font.face, defaults.caption_font.face);
}

struct BadSkin {
  const char* text;
  int line;  // the line the parser must blame; 0 for the whole file
};

TEST(SkinFormat, AnUnusableFileIsRejectedWithItsLine) {
  const BadSkin cases[] = {
      {"", 0},
      {"; nothing but a comment\n", 0},
      {"[Skin]\nName=No version\n", 0},
      {"[Skin]\nVersion=2\n", 2},
      {"[Skin]\nVersion=one\n", 2},
      {"Version=1\n", 1},                                      // key before any section
      {"[Skin]\nVersion=1\n[Colors\n", 3},                     // unclosed header
      {"[Skin]\nVersion=1\njust words\n", 3},                  // not key=value
      {"[Skin]\nVersion=1\n=#FFFFFF\n", 3},                    // empty key
      {"[Skin]\nVersion=1\n[Colors]\nFrame=#FFFFF\n", 4},      // five digits
      {"[Skin]\nVersion=1\n[Colors]\nFrame=#GGGGGG\n", 4},
      {"[Skin]\nVersion=1\n[Colors]\nFrame=256,0,0\n", 4},
      {"[Skin]\nVersion=1\n[Colors]\nFrame=1,2\n", 4},
      {"[Skin]\nVersion=1\n[Colors]\nFrame=-1,2,3\n", 4},
      {"[Skin]\nVersion=1\n[Colors]\nText=\n", 4},
      {"[Skin]\nVersion=1\n[Metrics]\nFrameWidth=17\n", 4},
      {"[Skin]\nVersion=1\n[Metrics]\nCaptionHeight=11\n", 4},
      {"[Skin]\nVersion=1\n[Metrics]\nCaptionHeight=99999999999999\n", 4},
      {"[Skin]\nVersion=1\n[Metrics]\nCaptionButtonWidth=x\n", 4},
      {"[Skin]\nVersion=1\n[Fonts]\nCaption=Tahoma\n", 4},     // no size
      {"[Skin]\nVersion=1\n[Fonts]\nCaption=Tahoma,5\n", 4},   // too small
      {"[Skin]\nVersion=1\n[Fonts]\nCaption=Tahoma,8,italic\n", 4},
      {"[Skin]\nVersion=1\n[Fonts]\nCaption=,8\n", 4},
      {"[Skin]\nVersion=1\n[Fonts]\nControls=ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFG,8\n", 4},
      {"[Skin]\nVersion=1\n[CaptionButtons]\nClose=\n", 4},
  };
  for (const BadSkin& bad : cases) {
    const SkinParseResult parsed = ParseSkin(bad.text);
    EXPECT_FALSE(parsed.ok) << "accepted: " << bad.text;
    EXPECT_EQ(parsed.error_line, bad.line) << bad.text << " -> " << parsed.error;
    EXPECT_FALSE(parsed.error.empty()) << bad.text;
  }
  // Caption buttons taller than the caption cannot be placed.
  EXPECT_FALSE(ParseSkin("[Skin]\nVersion=1\n[Metrics]\nCaptionHeight=16\n"
                         "CaptionButtonHeight=17\n").ok);
  // A picture name longer than any path is refused rather than cut.
  EXPECT_FALSE(ParseSkin("[Skin]\nVersion=1\n[CaptionButtons]\nClose=" + std::string(300, 'a') +
                         "\n").ok);
  // Oversized files are refused before they are read line by line.
  std::string huge = "[Skin]\nVersion=1\n";
  huge.append(kMaxSkinFileSize, ';');
  const SkinParseResult too_large = ParseSkin(huge);
  EXPECT_FALSE(too_large.ok);
  EXPECT_EQ(too_large.error_line, 0);
}

TEST(SkinFormat, ColourAndFontValues) {
  Rgb colour;
  EXPECT_TRUE(ParseRgb(" #0aF0c3 ", &colour));
  EXPECT_EQ(colour, (Rgb{0x0A, 0xF0, 0xC3}));
  EXPECT_TRUE(ParseRgb("0, 128 ,255", &colour));
  EXPECT_EQ(colour, (Rgb{0, 128, 255}));
  const Rgb before = colour;
  EXPECT_FALSE(ParseRgb("#0aF0c3ff", &colour));
  EXPECT_FALSE(ParseRgb("1,2,3,4", &colour));
  EXPECT_FALSE(ParseRgb("1,,3", &colour));
  EXPECT_EQ(colour, before) << "a failed parse must leave the value alone";

  FontSpec font;
  EXPECT_TRUE(ParseFontSpec("MS Sans Serif, 8", &font));
  EXPECT_EQ(font.face, "MS Sans Serif");
  EXPECT_EQ(font.points, 8);
  EXPECT_FALSE(font.bold);
  EXPECT_TRUE(ParseFontSpec("Tahoma,36, bold", &font));
  EXPECT_TRUE(font.bold);
  EXPECT_FALSE(ParseFontSpec("Tahoma,37", &font));
  EXPECT_EQ(font.points, 36);
}

TEST(SkinFormat, TheShippedSkinIsUsable) {
  const std::string text = ReadText(KVO_DEFAULT_SKIN_INI);
  ASSERT_FALSE(text.empty()) << "cannot read " << KVO_DEFAULT_SKIN_INI;
  const SkinParseResult parsed = ParseSkin(text);
  ASSERT_TRUE(parsed.ok) << "line " << parsed.error_line << ": " << parsed.error;
  for (const std::string& picture : parsed.skin.button_pictures) {
    EXPECT_FALSE(picture.empty()) << "the default skin names every caption-button picture";
  }
}

FrameLayoutInput Frame(int width, int height, unsigned buttons, bool resizable) {
  FrameLayoutInput input;
  input.window_width = width;
  input.window_height = height;
  input.metrics.frame_width = 4;
  input.metrics.caption_height = 22;
  input.metrics.caption_button_width = 18;
  input.metrics.caption_button_height = 16;
  input.buttons = buttons;
  input.resizable = resizable;
  return input;
}

TEST(SkinGeometry, CaptionButtonsAndClientArea) {
  const unsigned all = kCaptionSystemMenu | kCaptionMinimize | kCaptionMaximize | kCaptionRollUp;
  const FrameLayout layout = LayoutFrame(Frame(300, 200, all, false));
  EXPECT_EQ(layout.client.left, 4);
  EXPECT_EQ(layout.client.top, 26);
  EXPECT_EQ(layout.client.width, 292);
  EXPECT_EQ(layout.client.height, 170);
  ASSERT_EQ(layout.buttons.size(), 5u);
  EXPECT_EQ(layout.buttons[0].part, FramePart::kSystemMenu);
  EXPECT_EQ(layout.buttons[0].bounds.left, 6);
  EXPECT_EQ(layout.buttons[0].bounds.top, 7);  // centred: 4 + (22 - 16) / 2
  EXPECT_EQ(layout.buttons[1].part, FramePart::kClose);
  EXPECT_EQ(layout.buttons[1].bounds.left, 300 - 4 - 2 - 18);
  EXPECT_EQ(layout.buttons[2].part, FramePart::kMaximize);
  EXPECT_EQ(layout.buttons[3].part, FramePart::kMinimize);
  EXPECT_EQ(layout.buttons[4].part, FramePart::kRollUp);
  for (size_t i = 2; i < layout.buttons.size(); ++i) {
    EXPECT_EQ(layout.buttons[i].bounds.left + 18 + 2, layout.buttons[i - 1].bounds.left)
        << "button " << i << " sits left of the one before, 2 pixels apart";
  }
  // The title runs from after the system menu to before the leftmost button.
  EXPECT_EQ(layout.title.left, 6 + 18 + 2);
  EXPECT_EQ(layout.title.left + layout.title.width + 2, layout.buttons[4].bounds.left);

  const FrameLayout bare = LayoutFrame(Frame(300, 200, 0, false));
  ASSERT_EQ(bare.buttons.size(), 1u) << "the close button is always there";
  EXPECT_EQ(bare.buttons[0].part, FramePart::kClose);
  EXPECT_EQ(bare.title.left, 6);

  const FrameInsets insets = SkinFrameInsets(Frame(0, 0, 0, false).metrics);
  EXPECT_EQ(insets.left + insets.right, 8);
  EXPECT_EQ(insets.top + insets.bottom, 30);
  // A window smaller than its frame has an empty client area, never a negative one.
  const FrameLayout tiny = LayoutFrame(Frame(5, 10, all, false));
  EXPECT_EQ(tiny.client.width, 0);
  EXPECT_EQ(tiny.client.height, 0);
  EXPECT_GE(tiny.title.width, 0);
}

TEST(SkinGeometry, HitTest) {
  const unsigned all = kCaptionSystemMenu | kCaptionMinimize | kCaptionMaximize | kCaptionRollUp;
  struct Case {
    int x, y;
    bool resizable;
    FramePart expected;
  };
  const Case cases[] = {
      {150, 100, false, FramePart::kClient},
      {4, 26, false, FramePart::kClient},
      {150, 10, false, FramePart::kCaption},
      {10, 10, false, FramePart::kSystemMenu},
      {300 - 6 - 9, 12, false, FramePart::kClose},
      {300 - 6 - 18 - 2 - 9, 12, false, FramePart::kMaximize},
      {300 - 6 - 2 * 20 - 9, 12, false, FramePart::kMinimize},
      {300 - 6 - 3 * 20 - 9, 12, false, FramePart::kRollUp},
      {300 - 6 - 3 * 20 - 19, 12, false, FramePart::kCaption},  // left of roll-up, in the gap
      {0, 100, false, FramePart::kCaption},                      // a fixed frame drags
      {0, 100, true, FramePart::kLeft},
      {299, 100, true, FramePart::kRight},
      {150, 0, true, FramePart::kTop},
      {150, 199, true, FramePart::kBottom},
      {0, 0, true, FramePart::kTopLeft},
      {11, 0, true, FramePart::kTopLeft},  // the corner grip reaches along the edge
      {299, 5, true, FramePart::kTopRight},
      {0, 199, true, FramePart::kBottomLeft},
      {299, 199, true, FramePart::kBottomRight},
      {290, 199, true, FramePart::kBottomRight},
      {-1, 10, true, FramePart::kNowhere},
      {300, 10, true, FramePart::kNowhere},
      {10, 200, true, FramePart::kNowhere},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HitTestFrame(Frame(300, 200, all, c.resizable), c.x, c.y), c.expected)
        << "at " << c.x << ", " << c.y << (c.resizable ? " resizable" : " fixed");
  }
}

TEST(SliderRange, ValueStaysInRangeAndReportsEveryChange) {
  SliderRange range;  // 0..100, value 0
  EXPECT_FALSE(range.SetValue(0));
  EXPECT_TRUE(range.SetValue(50));
  EXPECT_TRUE(range.SetValue(150));
  EXPECT_EQ(range.value, 100);
  EXPECT_FALSE(range.SetValue(101)) << "clamped to the value it already has";
  EXPECT_TRUE(range.SetMaximum(40));
  EXPECT_EQ(range.value, 40);
  EXPECT_FALSE(range.SetMaximum(60)) << "a wider range leaves the value";
  EXPECT_EQ(range.value, 40);
  EXPECT_TRUE(range.SetMinimum(70));
  EXPECT_EQ(range.minimum, 70);
  EXPECT_EQ(range.maximum, 70) << "a minimum above the maximum carries the maximum";
  EXPECT_EQ(range.value, 70);
  EXPECT_FALSE(range.SetMaximum(80));
  EXPECT_TRUE(range.SetMaximum(-5));
  EXPECT_EQ(range.minimum, -5);
  EXPECT_EQ(range.value, -5);
  EXPECT_TRUE(range.SetRange(10000, 20000));
  EXPECT_EQ(range.value, 10000);
  EXPECT_FALSE(range.SetRange(0, 2550000));
  EXPECT_TRUE(range.SetRange(30, 20));
  EXPECT_EQ(range.minimum, 30);
  EXPECT_EQ(range.maximum, 30);
  EXPECT_EQ(range.value, 30);
}

TEST(RadioLayout, ItemsFillColumnByColumn) {
  // 17 items in two columns: nine rows, the first column full.
  const std::vector<Rect> rects = RadioItemRects(262, 225, 17, 2, 15);
  ASSERT_EQ(rects.size(), 17u);
  EXPECT_EQ(rects[0].left, 8);
  EXPECT_EQ(rects[0].top, 15);
  EXPECT_EQ(rects[8].left, 8) << "item 8 ends the first column";
  EXPECT_EQ(rects[9].left, 8 + (262 - 16) / 2);
  EXPECT_EQ(rects[9].top, rects[0].top);
  for (const Rect& rect : rects) {
    EXPECT_GT(rect.height, 0);
    EXPECT_LE(rect.top + rect.height, 225);
    EXPECT_LE(rect.left + rect.width, 262);
  }
  for (size_t i = 1; i < 9; ++i) {
    EXPECT_EQ(rects[i].top, rects[i - 1].top + rects[i - 1].height) << "rows tile, item " << i;
  }
  // Two items in two columns sit side by side.
  const std::vector<Rect> pair = RadioItemRects(129, 49, 2, 2, 15);
  ASSERT_EQ(pair.size(), 2u);
  EXPECT_EQ(pair[0].top, pair[1].top);
  EXPECT_LT(pair[0].left, pair[1].left);
  EXPECT_TRUE(RadioItemRects(100, 100, 0, 2, 15).empty());
  EXPECT_EQ(RadioItemRects(100, 100, 3, 0, 15).size(), 3u) << "no columns counts as one";
  EXPECT_EQ(RadioItemRects(100, 100, 2, 5, 15)[1].left, 8 + 42)
      << "more columns than items: one item per column";
}

TEST(RadioLayout, AnIndexIsLimitedToTheItems) {
  struct Case {
    int index;
    int count;
    int selected;
  };
  const Case cases[] = {{0, 11, 0},   {10, 11, 10}, {11, 11, 10}, {239, 11, 10},
                        {239, 10, 9}, {-1, 11, -1}, {-2, 11, -1}, {-2147483647 - 1, 11, -1},
                        {2147483647, 2, 1}, {0, 0, -1}, {3, 0, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(LimitedItemIndex(c.index, c.count), c.selected)
        << "index " << c.index << " of " << c.count;
  }
}

}  // namespace
}  // namespace kvo::toolkit
