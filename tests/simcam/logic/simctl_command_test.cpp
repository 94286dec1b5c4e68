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
                 {{"state"}, Action::kState}, {{"reset"}, Action::kReset},
                 {{"query-remove"}, Action::kQueryRemove}};
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
  command = ParseCommand({"set", "run-fails", "on"}, &error);
  ASSERT_TRUE(command);
  EXPECT_EQ(Action::kRunFails, command->action);
  EXPECT_TRUE(command->on);
  for (int value : {0, 64, 127}) {
    command = ParseCommand({"set", "zoom-max", std::to_string(value)}, &error);
    ASSERT_TRUE(command) << value << ": " << error;
    EXPECT_EQ(Action::kZoomMax, command->action);
    EXPECT_EQ(value, command->zoom_max);
  }
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
      {"set", "preview", "on", "now"},
      {"query-remove", "now"},
      {"set", "run-fails", "1"},
      {"set", "zoom-max", "128"},
      {"set", "zoom-max", "-1"},
      {"set", "zoom-max", "0x40"},
      {"set", "zoom-max", ""}};
  for (const auto& args : kWrong) {
    std::string error;
    EXPECT_FALSE(ParseCommand(args, &error)) << (args.empty() ? "(none)" : args[0]);
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(ParseCommand({"jump"}, nullptr));
}

}  // namespace
}  // namespace kvo::simctl
