// The record a device-change message carries, read as bytes. Every record starts with its
// own size (4 bytes), its device type (4) and a reserved word (4); a device-interface record
// (type 5) follows with the interface class GUID (16) and the interface name in UTF-16
// from byte 28, up to the NUL or the size the record gives. Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kvo {

constexpr std::size_t kDeviceRecordSizeField = 4;
constexpr std::size_t kDeviceRecordTypeOffset = 4;
constexpr std::size_t kDeviceRecordHeaderSize = 12;
constexpr std::size_t kInterfaceNameOffset = 28;
constexpr uint32_t kDeviceInterfaceRecordType = 5;

// The size a record claims for itself: its first four bytes (every record has them).
uint32_t ClaimedRecordSize(const void* record);

// The interface name of a device-interface record. `length` bytes are readable at record;
// the record counts as the smaller of that and the size it claims. Nothing for a record too
// short to hold its type, or of another type; an empty name when the record ends at or
// before byte 28.
std::optional<std::u16string> InterfaceNameOfRecord(const void* record, std::size_t length);

}  // namespace kvo
