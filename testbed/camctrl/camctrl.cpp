// camctrl.exe for the testbed: tells the tray companion whether a camera is switched on.
// Exit code 0 when the device named by the argument "/fUSB\<device>" is the simulated
// camera and it is on; 1 otherwise (no argument, another device, switched off).
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace {

constexpr char kDevicePrefix[] = "/fUSB\\";
constexpr char kSimulatedCamera[] = "vid_feed&pid_cafe";
constexpr char kSimCamKey[] = "SOFTWARE\\KvoTestbed\\SimCam";
// A device name is a product string or a device path; nothing longer is plausible.
constexpr size_t kLongestDeviceName = 1024;

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The simulated camera is on unless PoweredOn holds 0; a missing value means on.
bool SimulatedCameraPoweredOn() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSimCamKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return true;
  DWORD value = 1;
  DWORD size = sizeof(value);
  DWORD type = 0;
  const LONG status =
      RegQueryValueExA(key, "PoweredOn", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return true;
  return value != 0;
}

// The device text after "/fUSB\" (the runtime has already removed the double quotes).
bool DeviceArgument(int argc, char** argv, std::string* device) {
  if (argc < 2 || argv[1] == nullptr) return false;
  const std::string argument(argv[1], strnlen(argv[1], kLongestDeviceName + 8));
  const std::string prefix(kDevicePrefix);
  if (argument.compare(0, prefix.size(), prefix) != 0) return false;
  *device = argument.substr(prefix.size());
  return device->size() <= kLongestDeviceName;
}

}  // namespace

int main(int argc, char** argv) {
  std::string device;
  if (!DeviceArgument(argc, argv, &device)) return 1;
  if (LowerCase(device).find(kSimulatedCamera) == std::string::npos) return 1;
  return SimulatedCameraPoweredOn() ? 0 : 1;
}
