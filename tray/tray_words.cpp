#include "tray_words.h"

#include <cctype>
#include <cstdio>

namespace kvo::tray {
namespace {

constexpr std::size_t kDeviceRecordHeader = 28;
// A notification names one device path; anything longer is not a record we trust.
constexpr std::size_t kLongestDeviceRecord = 4096;

const char* const kButtonWords[] = {"", "SnapShot", "Record", "SendMail", "Property",
                                    "Setting"};

}  // namespace

const HotKeyEntry kHotKeys[kHotKeyCount] = {
    {"CamAppHotKey1", "SnapKey", "SnapShot"}, {"CamAppHotKey2", "RecordKey", "Record"},
    {"CamAppHotKey3", "RunApp", ""},          {"CamAppHotKey4", "SendMail", "SendMail"},
    {"CamAppHotKey5", "Property", "Property"}, {"CamAppHotKey6", "Setting", "Setting"},
};

const char* ButtonWord(int button) {
  if (button < 1 || button > 6) return nullptr;
  return kButtonWords[button - 1];
}

int ButtonTipTextId(int button) { return button >= 1 && button <= 6 ? 21 + button : 0; }

bool HotKeyCode(const std::string& value, unsigned* key_code) {
  if (value.empty()) return false;
  const unsigned code = static_cast<unsigned char>(value[0]);
  if (code == 0 || code > 127) return false;
  *key_code = code;
  return true;
}

std::string ProgramPath(const std::string& folder, const std::string& program) {
  if (folder.empty()) return program;
  return folder + "\\" + program;
}

std::string LauncherCommandLine(const std::string& path, const std::string& argument) {
  // Quoted, so that a folder with a blank ("C:\Program Files\...") stays one argument.
  return "\"" + path + "\" " + argument;
}

std::string CamctrlArgument(const std::string& running_device) {
  return "\"/fUSB\\" + running_device + "\"";
}

std::string InstanceValueName(int32_t instance) {
  char name[32];
  std::snprintf(name, sizeof(name), "ii%04d", static_cast<int>(instance));
  return name;
}

std::string DevicePathFromRecord(const uint8_t* record, std::size_t size) {
  if (record == nullptr || size <= kDeviceRecordHeader) return std::string();
  if (size > kLongestDeviceRecord) size = kLongestDeviceRecord;
  const uint8_t* name = record + kDeviceRecordHeader;
  const std::size_t count = size - kDeviceRecordHeader;
  std::string path;
  // A sender using the wide record leaves a zero high byte after each character.
  const bool wide = count >= 2 && name[0] != 0 && name[1] == 0;
  const std::size_t stride = wide ? 2 : 1;
  for (std::size_t i = 0; i + stride <= count; i += stride) {
    if (name[i] == 0 && (!wide || name[i + 1] == 0)) break;
    path.push_back(wide && name[i + 1] != 0 ? '?' : static_cast<char>(name[i]));
  }
  return path;
}

bool DeviceNameNamesRunningDevice(std::string name, const std::string& running_device) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name.find(running_device) != std::string::npos;
}

uint32_t GroupIdFromSidText(const std::string& sid_text) {
  const std::size_t dash = sid_text.rfind('-');
  if (dash == std::string::npos || dash < 3) return 0;
  if (sid_text.compare(dash - 3, 3, "-32") != 0) return 0;
  uint64_t id = 0;
  for (std::size_t i = dash + 1; i < sid_text.size(); ++i) {
    const char c = sid_text[i];
    if (c < '0' || c > '9') break;
    id = id * 10 + static_cast<uint64_t>(c - '0');
    if (id > 0xFFFFFFFFu) return 0;  // not a relative id
  }
  return static_cast<uint32_t>(id);
}

std::string AboutText(const std::string& first, const std::string& second,
                      const std::string& version) {
  return first + "\n\n" + second + "\nV " + version + "\n";
}

std::string FormatWithName(const std::string& format, const std::string& name) {
  std::size_t at = format.find("%s");
  if (at == std::string::npos) at = format.find("%d");
  if (at == std::string::npos) return format;
  return format.substr(0, at) + name + format.substr(at + 2);
}

}  // namespace kvo::tray
