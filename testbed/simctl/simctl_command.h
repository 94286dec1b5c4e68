// simctl's command line as plain data. No platform headers: parsed and tested natively.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kvo::simctl {

enum class Action {
  kPress, kOff, kOn, kQueryRemove, kHold, kRelease, kStillFormat, kStillSize, kPreviewPin,
  kSecondDevice, kRunFails, kZoomMax, kLog, kState, kReset,
};

struct Command {
  Action action = Action::kState;
  bool planar = false;       // kStillFormat
  int width = 0;             // kStillSize; 0 x 0 = the current format
  int height = 0;
  bool on = false;           // kPreviewPin, kSecondDevice, kRunFails
  int zoom_max = 0;          // kZoomMax, 0 to 127
};

// The command of the arguments after the program name, or nullopt with *error set.
std::optional<Command> ParseCommand(const std::vector<std::string>& args, std::string* error);

extern const char kUsage[];

}  // namespace kvo::simctl
