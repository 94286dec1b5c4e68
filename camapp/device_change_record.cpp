#include "device_change_record.h"

#include <algorithm>

namespace kvo {

namespace {

uint32_t Little32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

uint32_t ClaimedRecordSize(const void* record) {
  return Little32(static_cast<const uint8_t*>(record));
}

std::optional<std::u16string> InterfaceNameOfRecord(const void* record, std::size_t length) {
  const auto* bytes = static_cast<const uint8_t*>(record);
  if (bytes == nullptr || length < kDeviceRecordSizeField) return std::nullopt;
  // The type is only read once the record is known to reach past it.
  const std::size_t size = std::min<std::size_t>(ClaimedRecordSize(bytes), length);
  if (size < kDeviceRecordHeaderSize) return std::nullopt;
  if (Little32(bytes + kDeviceRecordTypeOffset) != kDeviceInterfaceRecordType) return std::nullopt;
  std::u16string name;
  if (size <= kInterfaceNameOffset) return name;
  const std::size_t units = (size - kInterfaceNameOffset) / sizeof(char16_t);
  for (std::size_t i = 0; i < units; ++i) {
    const uint8_t* unit = bytes + kInterfaceNameOffset + i * sizeof(char16_t);
    const auto c = static_cast<char16_t>(unit[0] | unit[1] << 8);
    if (c == u'\0') break;
    name.push_back(c);
  }
  return name;
}

}  // namespace kvo
