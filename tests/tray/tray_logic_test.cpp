// The tray companion's plain logic: toolbox placement, hit test, slide steps, edge watch,
// the word and hot key tables, command lines, the driver's instance key, device names and
// group ids.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "instance_key_path.h"
#include "toolbox_geometry.h"
#include "tray_words.h"

namespace kvo::tray {
namespace {

const ScreenRect kScreen = {0, 0, 1024, 768};

TEST(ToolboxPlacement, EachEdgeHasItsSizeDockedAndHiddenPosition) {
  struct Case {
    const char* text;
    DockEdge edge;
    int width, height, docked_x, docked_y, hidden_x, hidden_y;
  };
  const Case cases[] = {
      {"RIGHT", DockEdge::kRight, 45, 219, 979, 150, 1024, 150},
      {"LEFT", DockEdge::kLeft, 45, 219, 0, 150, -45, 150},
      {"TOP", DockEdge::kTop, 219, 45, 624, 0, 624, -45},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.edge, ParseDockEdge(c.text)) << c.text;
    EXPECT_STREQ(c.text, DockEdgeText(c.edge));
    const Extent size = BarSize(c.edge);
    EXPECT_EQ(c.width, size.width) << c.text;
    EXPECT_EQ(c.height, size.height) << c.text;
    const Position docked = DockedPosition(c.edge, kScreen);
    EXPECT_EQ(c.docked_x, docked.x) << c.text;
    EXPECT_EQ(c.docked_y, docked.y) << c.text;
    const Position hidden = HiddenPosition(c.edge, kScreen);
    EXPECT_EQ(c.hidden_x, hidden.x) << c.text;
    EXPECT_EQ(c.hidden_y, hidden.y) << c.text;
  }
  // A screen that does not start at the origin moves everything with it.
  const ScreenRect shifted = {-100, 20, 924, 788};
  EXPECT_EQ(879, DockedPosition(DockEdge::kRight, shifted).x);
  EXPECT_EQ(170, DockedPosition(DockEdge::kLeft, shifted).y);
  EXPECT_EQ(-145, HiddenPosition(DockEdge::kLeft, shifted).x);
  EXPECT_EQ(-25, HiddenPosition(DockEdge::kTop, shifted).y);
}

TEST(ToolboxPlacement, OnlyTheThreeEdgeTextsPlaceTheBar) {
  for (const char* text : {"right", "Right", "RIGHT ", "", "BOTTOM", "TOPX"}) {
    EXPECT_EQ(DockEdge::kNone, ParseDockEdge(text)) << "'" << text << "'";
  }
  EXPECT_EQ(0, BarSize(DockEdge::kNone).width);
  EXPECT_EQ(0, HoverIndex(DockEdge::kNone, 22, 100)) << "no buttons";
  EXPECT_EQ(0, ButtonBitmapId(DockEdge::kNone, 1, false));
}

TEST(ToolboxButtons, OffsetsAndSizesFillTheBarExactly) {
  const int side_offsets[] = {0, 40, 75, 110, 145, 180};
  const int top_offsets[] = {0, 39, 74, 109, 144, 179};
  for (DockEdge edge : {DockEdge::kRight, DockEdge::kLeft, DockEdge::kTop}) {
    int end = 0;
    for (int button = 1; button <= kButtonCount; ++button) {
      const int offset = ButtonOffset(edge, button);
      EXPECT_EQ(edge == DockEdge::kTop ? top_offsets[button - 1] : side_offsets[button - 1],
                offset)
          << "button " << button;
      EXPECT_EQ(end, offset) << "button " << button << " starts where the last one ended";
      const Extent size = ButtonSize(edge, button);
      EXPECT_EQ(kBarThickness, edge == DockEdge::kTop ? size.height : size.width);
      end = offset + (edge == DockEdge::kTop ? size.width : size.height);
    }
    EXPECT_EQ(kBarLength, end);
  }
  EXPECT_EQ(0, ButtonSize(DockEdge::kRight, 0).width);
  EXPECT_EQ(0, ButtonSize(DockEdge::kRight, 7).height);
}

TEST(ToolboxButtons, BitmapIdsPairNormalAndHotPerEdge) {
  EXPECT_EQ(138, ButtonBitmapId(DockEdge::kRight, 1, false));
  EXPECT_EQ(139, ButtonBitmapId(DockEdge::kLeft, 1, true));
  EXPECT_EQ(148, ButtonBitmapId(DockEdge::kRight, 6, false));
  EXPECT_EQ(149, ButtonBitmapId(DockEdge::kRight, 6, true));
  EXPECT_EQ(150, ButtonBitmapId(DockEdge::kTop, 1, false));
  EXPECT_EQ(153, ButtonBitmapId(DockEdge::kTop, 2, true));
  EXPECT_EQ(161, ButtonBitmapId(DockEdge::kTop, 6, true));
  EXPECT_EQ(0, ButtonBitmapId(DockEdge::kTop, 7, true));
}

TEST(ToolboxHitTest, AlongAndAcrossGiveTheHoverIndex) {
  struct Case {
    int along, across, expected;
  };
  const Case cases[] = {
      {5, 22, 0},   {6, 22, 1},   {39, 22, 1},  {40, 22, 2},  {74, 22, 2}, {75, 22, 3},
      {214, 22, 6}, {215, 22, 7}, {216, 22, 0}, {400, 22, 0}, {100, 5, 0}, {100, 6, 3},
      {100, 37, 3}, {100, 38, 0}, {0, 0, 0},    {-3, 22, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, HoverIndex(DockEdge::kRight, c.across, c.along))
        << "right edge, along " << c.along << " across " << c.across;
    EXPECT_EQ(c.expected, HoverIndex(DockEdge::kLeft, c.across, c.along))
        << "left edge, along " << c.along << " across " << c.across;
    EXPECT_EQ(c.expected, HoverIndex(DockEdge::kTop, c.along, c.across))
        << "top edge, along " << c.along << " across " << c.across;
  }
}

TEST(ToolboxHitTest, CoordinatesAreSigned16BitHalves) {
  // A pointer left of the client area arrives as 0xFFFF in the low word.
  EXPECT_EQ(0, HoverIndex(DockEdge::kRight, 0xFFFF, 100));
  EXPECT_EQ(0, HoverIndex(DockEdge::kTop, 100, 0xFFFE));
  // Only the low 16 bits count.
  EXPECT_EQ(3, HoverIndex(DockEdge::kRight, 0x10000 + 22, 100));
}

TEST(ToolboxHitTest, TipBandsFollowTheHoverIndex) {
  const ScreenRect client = {0, 0, 45, 219};
  const ScreenRect band = ToolBand(DockEdge::kRight, 2, client);
  EXPECT_EQ(0, band.left);
  EXPECT_EQ(40, band.top);
  EXPECT_EQ(45, band.right);
  EXPECT_EQ(74, band.bottom);
  const ScreenRect top = ToolBand(DockEdge::kTop, 6, {0, 0, 219, 45});
  EXPECT_EQ(180, top.left);
  EXPECT_EQ(214, top.right);
  EXPECT_EQ(0, top.top);
  EXPECT_EQ(45, top.bottom);
}

TEST(ToolboxSlide, FiveStepsOfNinePixelsBetweenHiddenAndDocked) {
  for (DockEdge edge : {DockEdge::kRight, DockEdge::kLeft, DockEdge::kTop}) {
    const Position docked = DockedPosition(edge, kScreen);
    const Position hidden = HiddenPosition(edge, kScreen);
    const Position last_in = SlideInStep(edge, kScreen, kSlideSteps);
    EXPECT_EQ(docked.x, last_in.x) << DockEdgeText(edge);
    EXPECT_EQ(docked.y, last_in.y) << DockEdgeText(edge);
    const Position last_out = SlideOutStep(edge, kScreen, kSlideSteps);
    EXPECT_EQ(hidden.x, last_out.x) << DockEdgeText(edge);
    EXPECT_EQ(hidden.y, last_out.y) << DockEdgeText(edge);
  }
  EXPECT_EQ(1015, SlideInStep(DockEdge::kRight, kScreen, 1).x);
  EXPECT_EQ(150, SlideInStep(DockEdge::kRight, kScreen, 1).y);
  EXPECT_EQ(988, SlideOutStep(DockEdge::kRight, kScreen, 1).x);
  EXPECT_EQ(-36, SlideInStep(DockEdge::kLeft, kScreen, 1).x);
  EXPECT_EQ(-9, SlideOutStep(DockEdge::kLeft, kScreen, 1).x);
  EXPECT_EQ(-36, SlideInStep(DockEdge::kTop, kScreen, 1).y);
  EXPECT_EQ(624, SlideInStep(DockEdge::kTop, kScreen, 1).x);
  EXPECT_EQ(-18, SlideOutStep(DockEdge::kTop, kScreen, 2).y);
}

TEST(ToolboxEdgeWatch, OnlyTheEdgePixelsWithinTheSpanCount) {
  EXPECT_TRUE(PointerOnHiddenEdge(DockEdge::kRight, kScreen, 1023, 151));
  EXPECT_TRUE(PointerOnHiddenEdge(DockEdge::kRight, kScreen, 1023, 368));
  EXPECT_FALSE(PointerOnHiddenEdge(DockEdge::kRight, kScreen, 1023, 150));
  EXPECT_FALSE(PointerOnHiddenEdge(DockEdge::kRight, kScreen, 1023, 369));
  EXPECT_FALSE(PointerOnHiddenEdge(DockEdge::kRight, kScreen, 1022, 250));
  EXPECT_TRUE(PointerOnHiddenEdge(DockEdge::kLeft, kScreen, 0, 250));
  EXPECT_FALSE(PointerOnHiddenEdge(DockEdge::kLeft, kScreen, 1, 250));
  EXPECT_TRUE(PointerOnHiddenEdge(DockEdge::kTop, kScreen, 625, 0));
  EXPECT_TRUE(PointerOnHiddenEdge(DockEdge::kTop, kScreen, 842, 0));
  EXPECT_FALSE(PointerOnHiddenEdge(DockEdge::kTop, kScreen, 624, 0));
  EXPECT_FALSE(PointerOnHiddenEdge(DockEdge::kTop, kScreen, 843, 0));
  EXPECT_FALSE(PointerOnHiddenEdge(DockEdge::kTop, kScreen, 700, 1));
  EXPECT_FALSE(PointerOnHiddenEdge(DockEdge::kNone, kScreen, 1023, 250));
}

TEST(CommandWords, ButtonsAndHotKeysNameTheirWords) {
  const char* const words[] = {"", "SnapShot", "Record", "SendMail", "Property", "Setting"};
  for (int button = 1; button <= 6; ++button) {
    ASSERT_NE(nullptr, ButtonWord(button));
    EXPECT_STREQ(words[button - 1], ButtonWord(button));
    EXPECT_EQ(21 + button, ButtonTipTextId(button));
  }
  EXPECT_EQ(nullptr, ButtonWord(0));
  EXPECT_EQ(nullptr, ButtonWord(7)) << "index 7 names no button";
  EXPECT_EQ(0, ButtonTipTextId(7));

  const char* const values[] = {"SnapKey", "RecordKey", "RunApp", "SendMail", "Property",
                                "Setting"};
  const char* const hot_words[] = {"SnapShot", "Record", "", "SendMail", "Property", "Setting"};
  for (int i = 0; i < kHotKeyCount; ++i) {
    EXPECT_EQ("CamAppHotKey" + std::to_string(i + 1), kHotKeys[i].atom_name);
    EXPECT_STREQ(values[i], kHotKeys[i].value_name);
    EXPECT_STREQ(hot_words[i], kHotKeys[i].word);
  }
}

TEST(CommandWords, HotKeyCodeIsTheFirstByteUpTo127) {
  unsigned code = 0;
  ASSERT_TRUE(HotKeyCode("S", &code));
  EXPECT_EQ(0x53u, code);
  ASSERT_TRUE(HotKeyCode("s", &code));
  EXPECT_EQ(0x73u, code) << "lower case is used as it is (a keypad key code)";
  ASSERT_TRUE(HotKeyCode("7xyz", &code));
  EXPECT_EQ(0x37u, code) << "further characters are ignored";
  EXPECT_FALSE(HotKeyCode("", &code));
  EXPECT_FALSE(HotKeyCode("\xE9", &code));
  EXPECT_FALSE(HotKeyCode(std::string(1, '\0'), &code));
}

TEST(LauncherText, PathsAndCommandLinesKeepBlanksTogether) {
  EXPECT_EQ("KVO_MAIN.exe", ProgramPath("", "KVO_MAIN.exe"));
  EXPECT_EQ("C:\\Program Files\\Oculetto\\KVO_MAIN.exe",
            ProgramPath("C:\\Program Files\\Oculetto", "KVO_MAIN.exe"));
  EXPECT_EQ("\"C:\\Program Files\\Oculetto\\KVO_MAIN.exe\" SnapShot",
            LauncherCommandLine("C:\\Program Files\\Oculetto\\KVO_MAIN.exe", "SnapShot"));
  EXPECT_EQ("\"KVO_MAIN.exe\" ", LauncherCommandLine("KVO_MAIN.exe", ""))
      << "an empty word leaves the trailing blank";
  EXPECT_EQ("\"/fUSB\\vid_feed&pid_cafe\"", CamctrlArgument("vid_feed&pid_cafe"));
  EXPECT_EQ("\"/fUSB\\\"", CamctrlArgument(""));
}

TEST(LauncherText, MessagesTakeTheNameLiterally) {
  EXPECT_EQ("Miss component. 'a b.exe'  Please reinstall this program!",
            FormatWithName("Miss component. '%s'  Please reinstall this program!", "a b.exe"));
  EXPECT_EQ("x '%n%s' y", FormatWithName("x '%s' y", "%n%s")) << "a name is never a format";
  EXPECT_EQ("failed: 1066\n", FormatWithName("failed: %d\n", "1066"));
  EXPECT_EQ("plain", FormatWithName("plain", "ignored"));
  EXPECT_EQ("Version Infomation\n\nOculetto Application\nV 1.0.0.1\n",
            AboutText("Version Infomation", "Oculetto Application", "1.0.0.1"));
  EXPECT_EQ("a\n\nb\nV \n", AboutText("a", "b", "")) << "an empty version leaves the V alone";
}

TEST(DriverKey, InstanceValueAndKeyNames) {
  EXPECT_EQ("ii0000", InstanceValueName(0));
  EXPECT_EQ("ii0042", InstanceValueName(42));
  EXPECT_EQ("ii12345", InstanceValueName(12345));
  EXPECT_EQ("ii-001", InstanceValueName(-1));
  EXPECT_EQ("SYSTEM\\Cam\\0000",
            cm::InstanceKeyPathOf("\\REGISTRY\\MACHINE\\SYSTEM\\Cam\\0000").value_or(""));
  EXPECT_FALSE(cm::InstanceKeyPathOf("\\REGISTRY\\MACHINE\\").has_value());
  EXPECT_FALSE(cm::InstanceKeyPathOf("short").has_value());
}

std::vector<uint8_t> DeviceRecord(const std::string& name, bool wide, size_t declared_extra = 0) {
  std::vector<uint8_t> record(28, 0);
  for (char c : name) {
    record.push_back(static_cast<uint8_t>(c));
    if (wide) record.push_back(0);
  }
  record.push_back(0);
  if (wide) record.push_back(0);
  record.resize(record.size() + declared_extra, 'Z');
  return record;
}

TEST(DeviceNames, PathIsReadAfterTheHeaderWithinTheRecord) {
  const std::string name = "\\\\?\\USB#VID_FEED&PID_CAFE#SIMCAM0001#{a5dcbf10}";
  auto narrow = DeviceRecord(name, false);
  EXPECT_EQ(name, DevicePathFromRecord(narrow.data(), narrow.size()));
  auto wide = DeviceRecord(name, true);
  EXPECT_EQ(name, DevicePathFromRecord(wide.data(), wide.size()));
  // No terminating NUL within the declared size: the name stops at the record's end.
  std::vector<uint8_t> unterminated(28, 0);
  for (char c : std::string("USB#ABC")) unterminated.push_back(static_cast<uint8_t>(c));
  EXPECT_EQ("USB#ABC", DevicePathFromRecord(unterminated.data(), unterminated.size()));
  EXPECT_EQ("", DevicePathFromRecord(narrow.data(), 28));
  EXPECT_EQ("", DevicePathFromRecord(narrow.data(), 3));
  EXPECT_EQ("", DevicePathFromRecord(nullptr, 100));
}

TEST(DeviceNames, MatchIsCaseSensitiveAfterLowerCasingTheName) {
  const std::string name = "\\\\?\\USB#VID_FEED&PID_CAFE#SIMCAM0001#{A5DCBF10}";
  EXPECT_TRUE(DeviceNameNamesRunningDevice(name, "vid_feed&pid_cafe"));
  EXPECT_FALSE(DeviceNameNamesRunningDevice(name, "VID_FEED&PID_CAFE"))
      << "upper case in the running device never matches";
  EXPECT_FALSE(DeviceNameNamesRunningDevice(name, "vid_feed&pid_beef"));
  EXPECT_TRUE(DeviceNameNamesRunningDevice(name, "")) << "an empty text matches every device";
  EXPECT_TRUE(DeviceNameNamesRunningDevice("", ""));
}

TEST(AdministratorCheck, GroupIdComesFromBuiltinSidsOnly) {
  EXPECT_EQ(544u, GroupIdFromSidText("S-1-5-32-544"));
  EXPECT_EQ(545u, GroupIdFromSidText("S-1-5-32-545"));
  EXPECT_EQ(0u, GroupIdFromSidText("S-1-5-21-1004336348-1177238915-682003330-544"))
      << "a domain group with relative id 544 is not the Administrators group";
  EXPECT_EQ(0u, GroupIdFromSidText("S-1-5-11"));
  EXPECT_EQ(0u, GroupIdFromSidText("S-1-1-0"));
  EXPECT_EQ(0u, GroupIdFromSidText(""));
  EXPECT_EQ(0u, GroupIdFromSidText("-544"));
  EXPECT_EQ(0u, GroupIdFromSidText("S-1-5-32-99999999999")) << "overflow is no id";
  EXPECT_EQ(0u, GroupIdFromSidText("S-1-5-32-"));
}

}  // namespace
}  // namespace kvo::tray
