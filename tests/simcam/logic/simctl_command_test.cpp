// simctl's command line.
#include "simctl_command.h"

#include <gtest/gtest.h>

namespace kvo::simctl {
namespace {

TEST(SimctlCommandTest, CommandsAndSettingsParse) {
  std::string error;
  const struct {
    std::vector<std::string> args;
    Action action;
  } kSimple[] = {{{"press"}, Action::kPress}, {{"off"}, Action::kOff},
                 {{"on"}, Action::kOn},       {{"hold"}, Action::kHold},
                 {{"release"}, Action::kRelease}, {{"log"}, Action::kLog},
                 {{"state"}, Action::kState}, {{"reset"}, Action::kReset}};
  for (const auto& entry : kSimple) {
    const auto command = ParseCommand(entry.args, &error);
    ASSERT_TRUE(command) << entry.args[0] << ": " << error;
    EXPECT_EQ(entry.action, command->action);
  }
  auto command = ParseCommand({"set", "still-format", "planar"}, &error);
  ASSERT_TRUE(command);
  EXPECT_EQ(Action::kStillFormat, command->action);
  EXPECT_TRUE(command->planar);
  command = ParseCommand({"set", "still-size", "1280x1024"}, &error);
  ASSERT_TRUE(command);
  EXPECT_EQ(1280, command->width);
  EXPECT_EQ(1024, command->height);
  command = ParseCommand({"set", "still-size", "current"}, &error);
  ASSERT_TRUE(command);
  EXPECT_EQ(0, command->width);
  command = ParseCommand({"set", "preview", "off"}, &error);
  ASSERT_TRUE(command);
  EXPECT_EQ(Action::kPreviewPin, command->action);
  EXPECT_FALSE(command->on);
  command = ParseCommand({"set", "second-device", "on"}, &error);
  ASSERT_TRUE(command);
  EXPECT_TRUE(command->on);
}

TEST(SimctlCommandTest, WrongCommandLinesSayWhy) {
  const std::vector<std::vector<std::string>> kWrong = {
      {},
      {"jump"},
      {"press", "now"},
      {"set"},
      {"set", "still-format"},
      {"set", "still-format", "jpeg"},
      {"set", "still-size", "640"},
      {"set", "still-size", "15x15"},
      {"set", "still-size", "4097x100"},
      {"set", "still-size", "99999999999x1"},
      {"set", "still-size", "-640x480"},
      {"set", "still-size", "640x480x3"},
      {"set", "preview", "yes"},
      {"set", "colour", "red"},
      {"set", "preview", "on", "now"}};
  for (const auto& args : kWrong) {
    std::string error;
    EXPECT_FALSE(ParseCommand(args, &error)) << (args.empty() ? "(none)" : args[0]);
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(ParseCommand({"jump"}, nullptr));
}

}  // namespace
}  // namespace kvo::simctl
