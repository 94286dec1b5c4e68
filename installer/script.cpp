#include "script.h"

#include <algorithm>
#include <climits>

namespace kvo::fitdrv {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Cuts trailing blanks and control characters, but no more than kMaxTrailingTrim of them.
void TrimLineEnd(std::string& line) {
  std::size_t cut = 0;
  while (cut < kMaxTrailingTrim && cut < line.size() &&
         IsBlankOrControl(line[line.size() - 1 - cut])) {
    ++cut;
  }
  line.resize(line.size() - cut);
}

// Blanks outside double quotes dropped, the quotes themselves dropped.
std::string ApplyBlankRules(const std::string& text) {
  std::string result;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c != ' ' || quoted) {
      result.push_back(c);
    }
  }
  return result;
}

struct CommandName {
  const char* keyword;
  Command command;
};

constexpr CommandName kCommands[] = {
    {"run", Command::kRun},
    {"runwait", Command::kRunWait},
    {"message", Command::kMessage},
    {"boot", Command::kBoot},
    {"registry", Command::kRegistry},
    {"copy", Command::kCopy},
    {"delay", Command::kDelay},
    {"copytowindir", Command::kCopyToWinDir},
    {"updateini", Command::kUpdateIni},
    {"rename", Command::kRename},
    {"Installdriver", Command::kInstallDriver},
    {"updatedriver", Command::kUpdateDriver},
    {"updatelegacydriver", Command::kUpdateLegacyDriver},
    {"CopyOEMInf", Command::kCopyOemInf},
    {"removedriver", Command::kRemoveDriver},
    {"refreshdriver", Command::kRefreshDriver},
    {"enable", Command::kEnable},
    {"disable", Command::kDisable},
};

constexpr const char* kOsNames[] = {"Unknown",     "Windows95",  "Windows98",
                                    "Windows98SE", "WindowsMe",  "WindowsNT4",
                                    "Windows2000", "WindowsXP"};

}  // namespace

std::vector<std::string> SplitScriptLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  auto end_line = [&] {
    TrimLineEnd(current);
    if (!current.empty()) lines.push_back(current);
    current.clear();
  };
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      end_line();
      if (lines.size() >= kMaxScriptLines) return lines;
    } else {
      current.push_back(c);
    }
  }
  // A last line without a line end still counts.
  if (lines.size() < kMaxScriptLines) end_line();
  return lines;
}

KeyValue ParseLine(const std::string& line) {
  std::string text = ApplyBlankRules(line.substr(0, kParsedLineLength));
  std::size_t first = text.find('=');
  if (first == std::string::npos) return {text, text};
  std::size_t last = text.rfind('=');
  return {text.substr(0, first), text.substr(last + 1)};
}

std::vector<std::string> SplitArguments(const std::string& value) {
  std::vector<std::string> pieces;
  std::string piece;
  for (char c : value) {
    if (c == ',' || c == '\t') {
      if (!piece.empty()) pieces.push_back(piece);
      piece.clear();
    } else {
      piece.push_back(c);
    }
  }
  if (!piece.empty()) pieces.push_back(piece);
  return pieces;
}

std::string ArgumentAt(const std::vector<std::string>& arguments, std::size_t index) {
  return index < arguments.size() ? arguments[index] : std::string();
}

bool EqualsNoCase(const std::string& left, const std::string& right) {
  return left.size() == right.size() &&
         std::equal(left.begin(), left.end(), right.begin(),
                    [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

int ParseDecimal(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::vector<KeyValue> HeaderEntries(const std::vector<std::string>& lines) {
  std::vector<KeyValue> entries;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line[0] == '[') break;
    if (line[0] == ';') continue;
    entries.push_back(ParseLine(line));
  }
  return entries;
}

int DetectOsKind(unsigned platform_id, unsigned major, unsigned minor) {
  if (platform_id == kPlatformNt) {
    if (major == 4) return 5;
    if (major == 5 && minor == 0) return 6;
    if (major == 5 && minor == 1) return 7;
    return 0;
  }
  if (platform_id == kPlatform9x && major == 4) {
    if (minor < 10) return 2;
    if (minor < 90) return 3;
    return 4;
  }
  return 0;
}

std::string OsKindName(int kind) {
  if (kind < 0 || kind >= static_cast<int>(sizeof(kOsNames) / sizeof(kOsNames[0]))) {
    return "Unknown ?";
  }
  return kOsNames[kind];
}

std::size_t ChooseFirstCommandLine(const std::vector<std::string>& lines,
                                   const std::string& os_name) {
  const std::string os_section = "[" + os_name + "]";
  std::size_t default_block = 0;
  for (std::size_t i = kDefaultFirstCommandLine; i < lines.size(); ++i) {
    if (EqualsNoCase(lines[i], os_section)) return i + 1;
    if (default_block == 0 && EqualsNoCase(lines[i], "[Default]")) default_block = i + 1;
  }
  return default_block != 0 ? default_block : kDefaultFirstCommandLine;
}

Command CommandFromKeyword(const std::string& keyword) {
  for (const CommandName& entry : kCommands) {
    if (EqualsNoCase(keyword, entry.keyword)) return entry.command;
  }
  return Command::kIllegal;
}

LineKind KindOfLine(const std::string& line) {
  if (!line.empty() && line[0] == ';') return LineKind::kComment;
  if (!line.empty() && line[0] == '[') return LineKind::kSection;
  return LineKind::kCommand;
}

std::string RecordLine(const std::string& text) {
  std::string line = text.substr(0, kMaxRecordText);
  line.push_back('\0');
  line += "\r\n";
  return line;
}

std::string RecordHead(const std::string& product_name) {
  return RecordLine("[Product]") + RecordLine("Name=" + product_name) +
         RecordLine("Option=2") + RecordLine("Version=2") + RecordLine("");
}

std::string RemoveRecord(const std::string& path) {
  return RecordLine("[Remove]") + RecordLine(path);
}

bool NamesDeviceBelowEnumerator(const std::string& hardware_id) {
  const std::size_t separator = hardware_id.find('\\');
  if (separator == std::string::npos || separator == 0) return false;
  if (hardware_id.back() == '\\' || hardware_id.find("\\\\") != std::string::npos) return false;
  // A control character cannot be part of a key name the platform hands out.
  for (char c : hardware_id) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

std::string RefusedHardwareIdLine(const std::string& hardware_id) {
  return "Hardware ID refused: " + hardware_id + " !";
}

std::string RunWaitCommandLine(const std::string& program, const std::string& argument) {
  std::string line = "\"" + program + "\"";
  if (!argument.empty()) line += " " + argument;
  return line;
}

}  // namespace kvo::fitdrv
