// The command words of KVO_MAIN.exe and their window messages. Plain C++.
#pragma once

#include <string>

namespace kvo {

constexpr unsigned kWmUser = 0x0400;
constexpr unsigned WM_CMD_SNAPSHOT = kWmUser + 1;   // 1025
constexpr unsigned WM_CMD_RECORD = kWmUser + 2;     // 1026
constexpr unsigned WM_CMD_VIEW = kWmUser + 3;       // 1027
constexpr unsigned WM_CMD_SENDMAIL = kWmUser + 4;   // 1028
constexpr unsigned WM_CMD_PROPERTY = kWmUser + 5;   // 1029
constexpr unsigned WM_CMD_SETTING = kWmUser + 6;    // 1030
constexpr unsigned WM_CMD_CLOSE = kWmUser + 7;      // 1031
constexpr unsigned WM_CMD_SHOW = kWmUser + 8;       // 1032
constexpr unsigned WM_CMD_NOSHOW = kWmUser + 9;     // 1033
constexpr unsigned WM_CMD_ZOOM_IN = kWmUser + 10;   // 1034
constexpr unsigned WM_CMD_ZOOM_OUT = kWmUser + 11;  // 1035
constexpr unsigned WM_CMD_ENABLE = kWmUser + 12;    // 1036
constexpr unsigned WM_CMD_DISABLE = kWmUser + 13;   // 1037

struct CommandWord {
  const char* word;
  unsigned message;
};

// The words in the order a later instance compares them; the comparison is whole-word and
// case-sensitive, and the empty word is last.
extern const CommandWord kCommandWords[11];

// The message of a command word; false for a word that is not in the table.
bool FindCommandMessage(const std::string& word, unsigned* message);

// Argument 1 of a command line (argument 0 is the program). Arguments are split at blanks
// and tabs; double quotes group and are removed. No argument reads as the empty word.
std::string CommandWordOf(const char* command_line);

}  // namespace kvo
