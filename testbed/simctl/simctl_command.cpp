#include "simctl_command.h"

#include <cerrno>
#include <cstdlib>

namespace kvo::simctl {
namespace {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 4096;
constexpr int kMaxZoomMax = 127;  // 128 would make the zoom factor 128 / (128 - level) divide by 0

std::optional<int> ParseSide(const std::string& text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  const int value = std::atoi(text.c_str());
  if (value < kMinSide || value > kMaxSide) return std::nullopt;
  return value;
}

std::optional<bool> ParseSwitch(const std::string& text) {
  if (text == "on") return true;
  if (text == "off") return false;
  return std::nullopt;
}

std::optional<Command> ParseSet(const std::string& what, const std::string& value,
                                std::string* error) {
  Command command;
  if (what == "still-format") {
    command.action = Action::kStillFormat;
    if (value != "packed" && value != "planar") {
      *error = "still-format takes packed or planar";
      return std::nullopt;
    }
    command.planar = value == "planar";
    return command;
  }
  if (what == "still-size") {
    command.action = Action::kStillSize;
    if (value == "current") return command;
    const size_t x = value.find('x');
    const auto width = x == std::string::npos ? std::nullopt : ParseSide(value.substr(0, x));
    const auto height = x == std::string::npos ? std::nullopt : ParseSide(value.substr(x + 1));
    if (!width || !height) {
      *error = "still-size takes WIDTHxHEIGHT (16 to 4096) or current";
      return std::nullopt;
    }
    command.width = *width;
    command.height = *height;
    return command;
  }
  if (what == "zoom-max") {
    command.action = Action::kZoomMax;
    const bool digits = !value.empty() && value.size() <= 3 &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    const int number = digits ? std::atoi(value.c_str()) : -1;
    if (number < 0 || number > kMaxZoomMax) {
      *error = "zoom-max takes 0 to 127";
      return std::nullopt;
    }
    command.zoom_max = number;
    return command;
  }
  if (what == "preview" || what == "second-device" || what == "run-fails") {
    command.action = what == "preview"         ? Action::kPreviewPin
                     : what == "second-device" ? Action::kSecondDevice
                                               : Action::kRunFails;
    const auto on = ParseSwitch(value);
    if (!on) {
      *error = what + " takes on or off";
      return std::nullopt;
    }
    command.on = *on;
    return command;
  }
  *error = "unknown setting: " + what;
  return std::nullopt;
}

}  // namespace

const char kUsage[] =
    "usage: simctl COMMAND\n"
    "  press                      press the camera's snapshot button\n"
    "  off | on                   switch the camera off or on (USB removal / arrival)\n"
    "  query-remove               ask the windows whether the camera may be removed\n"
    "  hold | release             another application holds or releases the camera\n"
    "  set still-format packed|planar\n"
    "  set still-size WIDTHxHEIGHT|current\n"
    "  set preview on|off         the Preview pin of filters bound from now on\n"
    "  set second-device on|off   the second video device\n"
    "  set run-fails on|off       Run and Pause of the camera's graphs fail\n"
    "  set zoom-max 0..127        what the camera reports as its highest zoom level\n"
    "  log                        print, then clear, the property-call record\n"
    "  state                      print the camera's state\n"
    "  reset                      everything back to the installation's state\n";

std::optional<Command> ParseCommand(const std::vector<std::string>& args, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  if (args.empty()) {
    *error = "no command";
    return std::nullopt;
  }
  const std::string& word = args[0];
  if (word == "set") {
    if (args.size() != 3) {
      *error = "set takes a setting and a value";
      return std::nullopt;
    }
    return ParseSet(args[1], args[2], error);
  }
  static const struct {
    const char* word;
    Action action;
  } kSimple[] = {{"press", Action::kPress}, {"off", Action::kOff},     {"on", Action::kOn},
                 {"query-remove", Action::kQueryRemove},
                 {"hold", Action::kHold},   {"release", Action::kRelease},
                 {"log", Action::kLog},     {"state", Action::kState}, {"reset", Action::kReset}};
  for (const auto& entry : kSimple) {
    if (word != entry.word) continue;
    if (args.size() != 1) {
      *error = word + " takes no arguments";
      return std::nullopt;
    }
    Command command;
    command.action = entry.action;
    return command;
  }
  *error = "unknown command: " + word;
  return std::nullopt;
}

}  // namespace kvo::simctl
