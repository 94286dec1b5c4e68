// The install script as plain data: reading its lines, parsing a line into key and value,
// splitting arguments, the OS kinds and the choice of the first command line, the command
// keywords and the lines of the removal record file. No platform headers: also built
// natively with sanitizers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kvo::fitdrv {

constexpr std::size_t kMaxScriptLines = 1000;
// Only this many characters of a line are parsed.
constexpr std::size_t kParsedLineLength = 256;
// At most this many trailing blanks and control characters are cut from a line.
constexpr std::size_t kMaxTrailingTrim = 127;
// The first command line when the script has no block for the system.
constexpr std::size_t kDefaultFirstCommandLine = 4;
// The longest text of one removal record line.
constexpr std::size_t kMaxRecordText = 252;

// The non-empty lines of a script file's text, in order, at most kMaxScriptLines.
std::vector<std::string> SplitScriptLines(const std::string& text);

struct KeyValue {
  std::string key;
  std::string value;
};

// Key before the first '=', value after the last '='; without '=' both are the whole text.
KeyValue ParseLine(const std::string& line);
// The non-empty pieces of a value between commas or tabs.
std::vector<std::string> SplitArguments(const std::string& value);
// The argument at index, empty text when missing.
std::string ArgumentAt(const std::vector<std::string>& arguments, std::size_t index);

bool EqualsNoCase(const std::string& left, const std::string& right);
// Leading decimal digits after optional blanks and sign, as the C library reads them;
// 0 when there are none, clamped to the int range.
int ParseDecimal(const std::string& text);

// The header: line 1 up to the first line beginning with '['; comments left out.
std::vector<KeyValue> HeaderEntries(const std::vector<std::string>& lines);

// OS kinds: 0 unknown ... 7 Windows XP. The platform ids are those of the version record
// (1 = the 9x family, 2 = the NT family).
constexpr unsigned kPlatform9x = 1;
constexpr unsigned kPlatformNt = 2;
int DetectOsKind(unsigned platform_id, unsigned major, unsigned minor);
std::string OsKindName(int kind);

// Index of the first command line for the OS name (see kDefaultFirstCommandLine).
std::size_t ChooseFirstCommandLine(const std::vector<std::string>& lines,
                                   const std::string& os_name);

enum class Command {
  kRun, kRunWait, kMessage, kBoot, kRegistry, kCopy, kDelay, kCopyToWinDir, kUpdateIni,
  kRename, kInstallDriver, kUpdateDriver, kUpdateLegacyDriver, kCopyOemInf, kRemoveDriver,
  kRefreshDriver, kEnable, kDisable, kIllegal
};
Command CommandFromKeyword(const std::string& keyword);

// True when a hardware id names a device below an enumerator ("USB\\VID_FEED&PID_CAFE"):
// an enumerator, a '\\', then the device, with no empty piece. The driver commands delete
// the enumeration data of the id, so a bare "USB", "PCI" or "ROOT" would name a whole
// enumerator branch and is refused, as are "" and ids with empty pieces.
bool NamesDeviceBelowEnumerator(const std::string& hardware_id);
// The list line of a refused hardware id.
std::string RefusedHardwareIdLine(const std::string& hardware_id);

// The command line of runwait: the program path in double quotes, so that a path with
// blanks stays one argument, then one blank and the argument when there is one.
std::string RunWaitCommandLine(const std::string& program, const std::string& argument);

// What a command line means to the run loop.
enum class LineKind { kComment, kSection, kCommand };
LineKind KindOfLine(const std::string& line);

// One removal record line: the text (cut to kMaxRecordText), NUL, CR, LF.
std::string RecordLine(const std::string& text);
// The head of the removal record file for a product name.
std::string RecordHead(const std::string& product_name);
// The two lines that record one file for removal.
std::string RemoveRecord(const std::string& path);

}  // namespace kvo::fitdrv
