// The device-change record reader: a record is read only within the size it gives, its type
// only once that size reaches past the type, and the name as whole UTF-16 units.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "device_change_record.h"

namespace kvo {
namespace {

std::vector<uint8_t> InterfaceRecord(const std::u16string& name, uint32_t type = 5) {
  std::vector<uint8_t> record(kInterfaceNameOffset, 0);
  for (char16_t c : name) {
    record.push_back(static_cast<uint8_t>(c & 0xFF));
    record.push_back(static_cast<uint8_t>(c >> 8));
  }
  record.insert(record.end(), {0, 0});
  const auto size = static_cast<uint32_t>(record.size());
  std::memcpy(record.data(), &size, sizeof size);
  std::memcpy(record.data() + kDeviceRecordTypeOffset, &type, sizeof type);
  return record;
}

TEST(DeviceChangeRecord, TheInterfaceNameIsReadWithinTheRecord) {
  const std::u16string name = u"\\\\?\\USB#VID_FEED&PID_CAFE#SIMCAM0001#{a5dcbf10}";
  std::vector<uint8_t> record = InterfaceRecord(name);
  EXPECT_EQ(name, InterfaceNameOfRecord(record.data(), record.size()));
  EXPECT_EQ(record.size(), ClaimedRecordSize(record.data()));

  // A name without its NUL ends where the record's size says; an odd last byte is no unit.
  record.resize(record.size() - 2);
  const auto cut = static_cast<uint32_t>(record.size() - 1);
  std::memcpy(record.data(), &cut, sizeof cut);
  EXPECT_EQ(name.substr(0, name.size() - 1), InterfaceNameOfRecord(record.data(), record.size()));

  // The readable length bounds the record when it claims more.
  const uint32_t huge = 0xFFFFFFFF;
  std::memcpy(record.data(), &huge, sizeof huge);
  EXPECT_EQ(name, InterfaceNameOfRecord(record.data(), record.size()));

  // Another device type, or a header alone, names nothing but is still read.
  EXPECT_FALSE(InterfaceNameOfRecord(InterfaceRecord(name, 2).data(), record.size()));
  std::vector<uint8_t> header_only = InterfaceRecord(u"");
  const uint32_t header_size = kInterfaceNameOffset;
  std::memcpy(header_only.data(), &header_size, sizeof header_size);
  EXPECT_EQ(std::u16string(), InterfaceNameOfRecord(header_only.data(), header_only.size()));
}

TEST(DeviceChangeRecord, ARecordTooShortForItsTypeIsNotReadPastItsEnd) {
  // Exact-size copies: the sanitizers catch a read of the type beyond the record.
  for (uint32_t size : {0u, 4u, 7u, 8u, 11u}) {
    std::vector<uint8_t> record(size, 0);
    if (size >= 4) std::memcpy(record.data(), &size, sizeof size);
    EXPECT_FALSE(InterfaceNameOfRecord(record.data(), record.size())) << size;
  }
  // A record of 32 readable bytes that claims 8: its type word (5) lies past its end.
  std::vector<uint8_t> record = InterfaceRecord(u"ab");
  const uint32_t claimed = 8;
  std::memcpy(record.data(), &claimed, sizeof claimed);
  EXPECT_FALSE(InterfaceNameOfRecord(record.data(), record.size()));
  EXPECT_FALSE(InterfaceNameOfRecord(nullptr, 64));
}

}  // namespace
}  // namespace kvo
