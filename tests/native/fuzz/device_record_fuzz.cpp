// The records other programs hand the tray companion: the device notification a broadcast
// carries (narrow or wide name after a 28-byte header, its size as the sender claims it),
// the kernel path of the driver's instance, the SID text of the user's groups and the hot
// key values of the settings.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tray_words.h"

using namespace kvo::tray;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the record's end is caught.
  std::vector<uint8_t> record(data, data + size);
  const std::string path = DevicePathFromRecord(record.data(), record.size());
  if (path.size() > record.size()) __builtin_trap();
  DeviceNameNamesRunningDevice(path, "vid_feed&pid_cafe");

  const std::string text(reinterpret_cast<const char*>(data), size);
  GroupIdFromSidText(text);
  unsigned key_code = 0;
  if (HotKeyCode(text, &key_code) && key_code > 127) __builtin_trap();
  CamctrlArgument(text);
  FormatWithName(text, "KVO_MAIN.exe");
  FormatWithName("%s missing", text);
  return 0;
}
