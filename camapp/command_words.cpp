#include "command_words.h"

namespace kvo {

const CommandWord kCommandWords[11] = {
    {"SnapShot", WM_CMD_SNAPSHOT}, {"Record", WM_CMD_RECORD},     {"View", WM_CMD_VIEW},
    {"SendMail", WM_CMD_SENDMAIL}, {"Property", WM_CMD_PROPERTY}, {"Setting", WM_CMD_SETTING},
    {"Close", WM_CMD_CLOSE},       {"NoShow", WM_CMD_NOSHOW},     {"enable", WM_CMD_ENABLE},
    {"disable", WM_CMD_DISABLE},   {"", WM_CMD_SHOW},
};

bool FindCommandMessage(const std::string& word, unsigned* message) {
  for (const CommandWord& entry : kCommandWords) {
    if (word == entry.word) {
      *message = entry.message;
      return true;
    }
  }
  return false;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads one argument starting at text[*position]; quotes group blanks and are dropped.
std::string NextArgument(const std::string& text, size_t* position) {
  size_t i = *position;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::string argument;
  bool quoted = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (IsBlank(c) && !quoted) {
      break;
    } else {
      argument.push_back(c);
    }
  }
  *position = i;
  return argument;
}

}  // namespace

std::string CommandWordOf(const char* command_line) {
  if (command_line == nullptr) return std::string();
  const std::string text(command_line);
  size_t position = 0;
  NextArgument(text, &position);  // the program
  return NextArgument(text, &position);
}

}  // namespace kvo
