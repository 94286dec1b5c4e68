// The install script's reader and line parser, the OS kinds and the block choice: plain
// functions, run under Wine and natively with sanitizers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "script.h"

namespace kvo::fitdrv {
namespace {

using Lines = std::vector<std::string>;

TEST(ScriptLines, EndAtCrOrLfAndEmptyLinesAreNotCounted) {
  EXPECT_EQ((Lines{"a", "b", "c", "d"}), SplitScriptLines("a\r\nb\n\n\r\rc\rd"));
  EXPECT_EQ((Lines{"last"}), SplitScriptLines("\r\n\r\nlast")) << "no line end after it";
  EXPECT_TRUE(SplitScriptLines("").empty());
  EXPECT_TRUE(SplitScriptLines(" \t\x01\r\n  \n").empty()) << "blank lines vanish";
}

TEST(ScriptLines, TrailingControlsAreCutButAtMost127) {
  EXPECT_EQ("  key = value \t\x1f\x7f", SplitScriptLines("  key = value \t\x1f\x7f\r\n")[0])
      << "DEL (127) is not a control character here";
  EXPECT_EQ("v", SplitScriptLines("v" + std::string(127, ' ') + "\n")[0]);
  EXPECT_EQ("v ", SplitScriptLines("v" + std::string(128, ' ') + "\n")[0]);
  EXPECT_EQ(std::string(73, ' '), SplitScriptLines(std::string(200, ' ') + "\n")[0])
      << "a line of 200 blanks keeps 73 and is counted";
  EXPECT_EQ("\xe4\xf6", SplitScriptLines("\xe4\xf6 \n")[0]) << "high bytes are text";
}

TEST(ScriptLines, ReadingStopsAfterLine1000) {
  std::string text;
  for (int i = 0; i < 1200; ++i) text += "line" + std::to_string(i) + "\r\n\r\n";
  Lines lines = SplitScriptLines(text);
  ASSERT_EQ(1000u, lines.size());
  EXPECT_EQ("line999", lines.back());
  std::string exact;
  for (int i = 0; i < 1000; ++i) exact += "x" + std::to_string(i) + "\n";
  EXPECT_EQ(1000u, SplitScriptLines(exact + "lost").size());
}

struct ParseCase {
  const char* line;
  const char* key;
  const char* value;
};

TEST(LineParser, BlanksQuotesAndEqualSigns) {
  const ParseCase cases[] = {
      {"copy = \"C:\\Program Files\\a b.txt\" , C:\\x.txt", "copy",
       "C:\\Program Files\\a b.txt,C:\\x.txt"},
      {"Name = My  Camera", "Name", "MyCamera"},
      {"Name = \"My  Camera\"", "Name", "My  Camera"},
      {"a=b=c", "a", "c"},
      {"key = lost = kept here", "key", "kepthere"},
      {"refreshdriver", "refreshdriver", "refreshdriver"},
      {"key=", "key", ""},
      {"=value", "", "value"},
      {"\"unterminated = quote", "unterminated ", " quote"},
      {"tab\t=\tkept", "tab\t", "\tkept"},
      {"", "", ""},
  };
  for (const ParseCase& c : cases) {
    KeyValue parsed = ParseLine(c.line);
    EXPECT_EQ(c.key, parsed.key) << c.line;
    EXPECT_EQ(c.value, parsed.value) << c.line;
  }
}

TEST(LineParser, OnlyTheFirst256CharactersAreLookedAt) {
  std::string line = "message=" + std::string(248, 'm');  // exactly 256
  EXPECT_EQ(std::string(248, 'm'), ParseLine(line).value);
  EXPECT_EQ(std::string(248, 'm'), ParseLine(line + "=tail").value)
      << "a '=' past 256 characters is not seen";
  std::string blanks = "k=" + std::string(254, ' ') + "lost";
  EXPECT_EQ("", ParseLine(blanks).value) << "blanks count before they are dropped";
}

TEST(Arguments, SplitAtCommasAndTabsWithEmptyPiecesSkipped) {
  EXPECT_EQ((Lines{"a", "b", "c"}), SplitArguments("a,,b\t\tc,"));
  EXPECT_EQ((Lines{"only"}), SplitArguments(",only"));
  EXPECT_TRUE(SplitArguments(",\t,").empty());
  Lines two = SplitArguments("x,y");
  EXPECT_EQ("y", ArgumentAt(two, 1));
  EXPECT_EQ("", ArgumentAt(two, 2)) << "a missing argument is empty text";
}

TEST(Keywords, ComparedWithoutCaseAndUnknownOnesAreIllegal) {
  EXPECT_EQ(Command::kInstallDriver, CommandFromKeyword("INSTALLDRIVER"));
  EXPECT_EQ(Command::kCopyOemInf, CommandFromKeyword("copyoeminf"));
  EXPECT_EQ(Command::kCopyToWinDir, CommandFromKeyword("CopyToWinDir"));
  EXPECT_EQ(Command::kRunWait, CommandFromKeyword("RunWait"));
  EXPECT_EQ(Command::kRun, CommandFromKeyword("run"));
  EXPECT_EQ(Command::kIllegal, CommandFromKeyword("runwai"));
  EXPECT_EQ(Command::kIllegal, CommandFromKeyword("copy "));
  EXPECT_EQ(Command::kIllegal, CommandFromKeyword(""));
  EXPECT_TRUE(EqualsNoCase("[DEFAULT]", "[default]"));
  EXPECT_FALSE(EqualsNoCase("[Default]", "[Default] "));
}

TEST(Numbers, ReadLikeTheCLibraryAndNeverOverflow) {
  EXPECT_EQ(2, ParseDecimal("2"));
  EXPECT_EQ(1500, ParseDecimal(" 1500ms"));
  EXPECT_EQ(-3, ParseDecimal("-3"));
  EXPECT_EQ(0, ParseDecimal("abc"));
  EXPECT_EQ(0, ParseDecimal(""));
  EXPECT_EQ(2147483647, ParseDecimal("99999999999999999999999"));
  EXPECT_EQ(-2147483647 - 1, ParseDecimal("-99999999999999999999999"));
}

TEST(Header, RunsFromLine1ToTheFirstSectionWithoutComments) {
  Lines lines = {"[Product]", "Name=Cam", ";Option=2", "Option=1", "[Default]", "Name=Other"};
  auto entries = HeaderEntries(lines);
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ("Name", entries[0].key);
  EXPECT_EQ("Option", entries[1].key);
  EXPECT_EQ("1", entries[1].value);
  EXPECT_TRUE(HeaderEntries({"Name=NeverRead"}).empty()) << "line 0 is the title";
  EXPECT_TRUE(HeaderEntries({}).empty());
}

TEST(OsKinds, DetectedFromTheVersionNumbers) {
  struct Case {
    unsigned platform, major, minor;
    int kind;
  };
  const Case cases[] = {
      {kPlatformNt, 4, 0, 5},  {kPlatformNt, 5, 0, 6},  {kPlatformNt, 5, 1, 7},
      {kPlatformNt, 5, 2, 0},  {kPlatformNt, 6, 1, 0},  {kPlatformNt, 3, 51, 0},
      {kPlatform9x, 4, 0, 2},  {kPlatform9x, 4, 9, 2},  {kPlatform9x, 4, 10, 3},
      {kPlatform9x, 4, 89, 3}, {kPlatform9x, 4, 90, 4}, {kPlatform9x, 5, 0, 0},
      {0, 5, 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.kind, DetectOsKind(c.platform, c.major, c.minor))
        << c.platform << " " << c.major << "." << c.minor;
  }
  EXPECT_EQ("Unknown", OsKindName(0));
  EXPECT_EQ("Windows95", OsKindName(1));
  EXPECT_EQ("WindowsNT4", OsKindName(5));
  EXPECT_EQ("Windows2000", OsKindName(6));
  EXPECT_EQ("WindowsXP", OsKindName(7));
  EXPECT_EQ("Unknown ?", OsKindName(8));
  EXPECT_EQ("Unknown ?", OsKindName(-1));
}

TEST(BlockChoice, OsBlockBeforeDefaultBeforeLine4) {
  const Lines xp_only = {"[Product]", "Name=C", "Option=2", "OSType=0", "[WindowsXP]", "copy=a,b"};
  EXPECT_EQ(5u, ChooseFirstCommandLine(xp_only, "WindowsXP"));
  EXPECT_EQ(4u, ChooseFirstCommandLine(xp_only, "Windows2000"))
      << "no block: line 4, a section line that ends the run at once";

  const Lines both = {"t", "Name=C", "x", "y", "[Default]", "d=1", "[windows2000]", "w=1",
                      "[Default]", "d=2"};
  EXPECT_EQ(7u, ChooseFirstCommandLine(both, "Windows2000")) << "the OS block wins";
  EXPECT_EQ(5u, ChooseFirstCommandLine(both, "WindowsXP")) << "the first [Default]";

  const Lines early = {"t", "[WindowsXP]", "a=1", "b=1", "c=1"};
  EXPECT_EQ(4u, ChooseFirstCommandLine(early, "WindowsXP"))
      << "sections before line 4 are not looked at";
  EXPECT_EQ(4u, ChooseFirstCommandLine({"t"}, "WindowsXP"));
}

TEST(RecordFile, LinesEndWithNulCrLfAndTextIsCutAt252) {
  EXPECT_EQ(std::string("[Remove]\0\r\n", 11), RecordLine("[Remove]"));
  EXPECT_EQ(std::string("\0\r\n", 3), RecordLine(""));
  EXPECT_EQ(std::string(252, 'p') + std::string("\0\r\n", 3), RecordLine(std::string(300, 'p')));
  const std::string head = RecordHead("Cam");
  EXPECT_EQ(std::string("[Product]\0\r\nName=Cam\0\r\nOption=2\0\r\nVersion=2\0\r\n\0\r\n", 49),
            head);
  EXPECT_EQ(std::string("[Remove]\0\r\nC:\\a.txt\0\r\n", 22), RemoveRecord("C:\\a.txt"));
}

// Random scripts of random bytes: every function takes them without fault (the native
// build runs this under the address and undefined-behaviour sanitizers), and what comes
// out keeps the documented bounds.
TEST(RandomScripts, AreReadAndParsedWithinTheirBounds) {
  std::mt19937 random(20261209);
  const char alphabet[] = "ab=\" ,\t;[]\r\n\x01\xff=Default";
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 3000, '\0');
    for (char& c : text) {
      c = (random() % 4 == 0) ? static_cast<char>(random() % 256)
                              : alphabet[random() % (sizeof(alphabet) - 1)];
    }
    Lines lines = SplitScriptLines(text);
    ASSERT_LE(lines.size(), kMaxScriptLines);
    for (const std::string& line : lines) {
      ASSERT_FALSE(line.empty());
      ASSERT_EQ(std::string::npos, line.find_first_of("\r\n"));
      KeyValue parsed = ParseLine(line);
      ASSERT_LE(parsed.key.size(), kParsedLineLength);
      ASSERT_LE(parsed.value.size(), kParsedLineLength);
      ASSERT_EQ(std::string::npos, parsed.key.find('"'));
      for (const std::string& argument : SplitArguments(parsed.value)) {
        ASSERT_FALSE(argument.empty());
        ASSERT_EQ(std::string::npos, argument.find_first_of(",\t"));
      }
      ASSERT_EQ(kMaxRecordText + 3, RecordLine(std::string(300, line[0])).size());
      CommandFromKeyword(parsed.key);
      ParseDecimal(parsed.value);
    }
    ASSERT_LE(ChooseFirstCommandLine(lines, "WindowsXP"), std::max<std::size_t>(lines.size(), 4));
    HeaderEntries(lines);
  }
}

TEST(FitdrvScript, OnlyIdsOfADeviceBelowAnEnumeratorAreAccepted) {
  for (const char* id : {"USB\\VID_FEED&PID_CAFE", "ROOT\\KVOCAM\\0000", "PCI\\VEN_1&DEV_2",
                         "USB\\VID_FEED&PID_CAFE&REV_0100"}) {
    EXPECT_TRUE(NamesDeviceBelowEnumerator(id)) << id;
  }
  for (const char* id : {"", "USB", "PCI", "ROOT", "\\", "\\USB", "USB\\", "\\USB\\X",
                         "USB\\\\X", "USB\\X\\", "USB\\X\\\\Y", "USB\\X\tY", "USB\\X\nY"}) {
    EXPECT_FALSE(NamesDeviceBelowEnumerator(id)) << "[" << id << "]";
  }
  EXPECT_EQ("Hardware ID refused: PCI !", RefusedHardwareIdLine("PCI"));
}

TEST(FitdrvScript, RunWaitQuotesTheProgramPath) {
  EXPECT_EQ("\"C:\\Program Files\\a.exe\" -s x",
            RunWaitCommandLine("C:\\Program Files\\a.exe", "-s x"));
  EXPECT_EQ("\"a.exe\"", RunWaitCommandLine("a.exe", ""));
}

}  // namespace
}  // namespace kvo::fitdrv
