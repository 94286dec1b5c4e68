// The command-word table and the reading of argument 1, as plain functions.
#include <gtest/gtest.h>

#include <string>

#include "command_words.h"

namespace kvo {
namespace {

TEST(CommandWords, TableOrderAndMessages) {
  const char* expected_words[] = {"SnapShot", "Record", "View",   "SendMail", "Property", "Setting",
                                  "Close",    "NoShow", "enable", "disable",  ""};
  const unsigned expected_messages[] = {1025, 1026, 1027, 1028, 1029, 1030,
                                        1031, 1033, 1036, 1037, 1032};
  for (int i = 0; i < 11; ++i) {
    EXPECT_STREQ(expected_words[i], kCommandWords[i].word) << i;
    EXPECT_EQ(expected_messages[i], kCommandWords[i].message) << i;
  }
}

TEST(CommandWords, MatchIsWholeWordAndCaseSensitive) {
  unsigned message = 0;
  EXPECT_TRUE(FindCommandMessage("SnapShot", &message));
  EXPECT_EQ(1025u, message);
  EXPECT_TRUE(FindCommandMessage("", &message));
  EXPECT_EQ(1032u, message);
  for (const char* word : {"snapshot", "SNAPSHOT", "SnapShot2", "Snap", " Close", "Enable"}) {
    message = 0;
    EXPECT_FALSE(FindCommandMessage(word, &message)) << word;
    EXPECT_EQ(0u, message) << word;
  }
}

TEST(CommandWords, ArgumentOneOfTheCommandLine) {
  struct Case {
    const char* line;
    const char* word;
  } cases[] = {
      {"KVO_MAIN.exe", ""},
      {"KVO_MAIN.exe ", ""},
      {"\"C:\\Program Files\\KVO\\KVO_MAIN.exe\" ", ""},
      {"\"C:\\Program Files\\KVO\\KVO_MAIN.exe\" Record", "Record"},
      {"KVO_MAIN.exe   View   extra", "View"},
      {"KVO_MAIN.exe \"\"", ""},
      {"KVO_MAIN.exe \"Snap Shot\"", "Snap Shot"},
      {"KVO_MAIN.exe Sna\"pSh\"ot", "SnapShot"},
      {"C:\\Program Files\\KVO\\KVO_MAIN.exe NoShow", "Files\\KVO\\KVO_MAIN.exe"},
      {"KVO_MAIN.exe\tClose", "Close"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.word, CommandWordOf(c.line)) << c.line;
  EXPECT_EQ("", CommandWordOf(nullptr));
}

TEST(CommandWords, OverLongCommandLineIsReadWhole) {
  const std::string word(40000, 'x');
  EXPECT_EQ(word, CommandWordOf(("KVO_MAIN.exe " + word + " tail").c_str()));
  unsigned message = 0;
  EXPECT_FALSE(FindCommandMessage(word, &message));
}

}  // namespace
}  // namespace kvo
