// simctl.exe: drives the simulated camera from a shell or a test. Exit code 0 when the
// command was carried out, 1 when it failed, 2 for a wrong command line.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "simcam_control.h"
#include "simctl_command.h"

namespace {

using namespace kvo::simcam;
using kvo::simctl::Action;
using kvo::simctl::Command;

constexpr DWORD kBroadcastTimeoutMs = 2000;

int Result(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "simctl: %s failed\n", what);
  return ok ? 0 : 1;
}

int PrintAndClearRecord() {
  for (const PropertyCall& call : ReadPropertyCalls()) std::printf("%s\n", FormatCall(call).c_str());
  return Result(ClearPropertyCalls(), "clearing the record");
}

int Announce(DeviceEvent event, const char* what) {
  const DeliveryResult result = AnnounceDeviceEvent(event, kBroadcastTimeoutMs);
  if (result.path == DeliveryPath::kPlugPlayService)
    std::printf("%s: told through the %s\n", what, DeliveryPathName(result.path));
  else
    std::printf("%s: %s to %d windows (plug-and-play service: RPC status %ld)\n", what,
                DeliveryPathName(result.path), result.windows, result.service_status);
  return 0;
}

int SwitchPower(bool on) {
  if (!SetPowered(on)) return Result(false, on ? "on" : "off");
  return Announce(on ? DeviceEvent::kArrival : DeviceEvent::kRemoveComplete,
                  on ? "camera on" : "camera off");
}

int Run(const Command& command) {
  switch (command.action) {
    case Action::kPress: {
      const bool taken = PressButton();
      std::printf(taken ? "still written: C:\\%s\n" : "no still: trigger mode not set%s\n",
                  taken ? kSnapshotFileName : "");
      return taken ? 0 : 1;
    }
    case Action::kOff: return SwitchPower(false);
    case Action::kOn: return SwitchPower(true);
    case Action::kQueryRemove: return Announce(DeviceEvent::kQueryRemove, "removal query");
    case Action::kHold: return Result(SetHeld(true), "hold");
    case Action::kRelease: return Result(SetHeld(false), "release");
    case Action::kStillFormat:
      return Result(SetStillFormat(command.planar ? StillFormat::kPlanar : StillFormat::kPacked),
                    "still-format");
    case Action::kStillSize:
      return Result(SetStillSize(command.width, command.height), "still-size");
    case Action::kPreviewPin: return Result(SetPreviewPin(command.on), "preview");
    case Action::kSecondDevice: return Result(SetSecondDevice(command.on), "second-device");
    case Action::kRunFails: return Result(SetRunFails(command.on), "run-fails");
    case Action::kZoomMax: return Result(SetZoomMaximum(command.zoom_max), "zoom-max");
    case Action::kLog: return PrintAndClearRecord();
    case Action::kState: std::printf("%s", DescribeState().c_str()); return 0;
    case Action::kReset: return Result(ResetCamera(), "reset");
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto command = kvo::simctl::ParseCommand(args, &error);
  if (!command) {
    std::fprintf(stderr, "simctl: %s\n%s", error.c_str(), kvo::simctl::kUsage);
    return 2;
  }
  return Run(*command);
}
