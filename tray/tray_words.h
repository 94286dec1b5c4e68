// The tray companion's tables and the texts it builds: command words of the hot keys and
// toolbox buttons, command lines, the driver's instance key name, device names and group
// ids. Plain C++, no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvo::tray {

struct HotKeyEntry {
  const char* atom_name;
  const char* value_name;  // the settings value holding the key letter
  const char* word;
};
constexpr int kHotKeyCount = 6;
extern const HotKeyEntry kHotKeys[kHotKeyCount];

// The word of toolbox button 1..6; null for any other index.
const char* ButtonWord(int button);
// The text id of the tip of button 1..6 (22..27); 0 for any other index.
int ButtonTipTextId(int button);

// The virtual-key code a hot key value names: the code of its first byte, used as it is.
// False for an empty value and for codes above 127, which cannot be registered.
bool HotKeyCode(const std::string& value, unsigned* key_code);

// "%s\%s" of folder and program, or the bare program name for an empty folder.
std::string ProgramPath(const std::string& folder, const std::string& program);
// The launcher's command line: the program path in double quotes, one blank, the argument.
std::string LauncherCommandLine(const std::string& path, const std::string& argument);
// The device-control program's argument: "/fUSB\<running device>" in double quotes.
std::string CamctrlArgument(const std::string& running_device);

// "ii%04d" with the instance number.
std::string InstanceValueName(int32_t instance);

// The path name a device-interface notification carries after its 28-byte header, bounded
// by the record's own size; a name written in UTF-16 is narrowed.
std::string DevicePathFromRecord(const uint8_t* record, std::size_t size);
// The name lower-cased, then searched for the running device text (case-sensitively).
bool DeviceNameNamesRunningDevice(std::string name, const std::string& running_device);

// The group id of a SID in its text form: the number after the last '-' when the three
// characters before that '-' are "-32", otherwise 0.
uint32_t GroupIdFromSidText(const std::string& sid_text);
constexpr uint32_t kAdministratorsGroupId = 544;

// The About box text: "%s\n\n%s\nV %s\n".
std::string AboutText(const std::string& first, const std::string& second,
                      const std::string& version);

// A message text with its one "%s" (or "%d") replaced; the rest is kept as it is.
std::string FormatWithName(const std::string& format, const std::string& name);

}  // namespace kvo::tray
