// The record of a device-change message, read as the camera application reads it: only
// within the smaller of the size the record claims and the bytes there are. A name found
// never reaches past the record, and only a device-interface record has one; the name then
// meets the camera's ids as the main window compares them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device_change_record.h"
#include "main_window_logic.h"

using namespace kvo;

namespace {

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

uint32_t Little32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// The name narrowed as the code page does for the ids' characters: others become '?'.
std::string Narrowed(const std::u16string& name) {
  std::string narrow;
  for (char16_t c : name) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the record's end is caught.
  const std::vector<uint8_t> record(data, data + size);
  const auto name = InterfaceNameOfRecord(record.data(), record.size());
  if (!name) return 0;
  Check(size >= kDeviceRecordHeaderSize);
  const std::size_t claimed = Little32(record.data());
  const std::size_t within = claimed < size ? claimed : size;
  Check(within >= kDeviceRecordHeaderSize);
  Check(Little32(record.data() + kDeviceRecordTypeOffset) == kDeviceInterfaceRecordType);
  const std::size_t name_bytes = name->size() * sizeof(char16_t);
  Check(name_bytes == 0 || kInterfaceNameOffset + name_bytes <= within);
  for (std::size_t i = 0; i < name->size(); ++i) {
    const uint8_t* unit = record.data() + kInterfaceNameOffset + 2 * i;
    Check((*name)[i] != u'\0' && (*name)[i] == static_cast<char16_t>(unit[0] | unit[1] << 8));
  }
  const std::string narrow = Narrowed(*name);
  const CameraIds camera{"feed", "cafe"};
  if (IsCameraName(narrow, camera)) Check(narrow.size() >= CameraPattern(camera).size());
  return 0;
}
