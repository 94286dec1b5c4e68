#include "settings_values.h"

#include <cstring>

#include "text.h"

namespace kvo {

std::optional<std::string> TextOfValue(const void* bytes, std::size_t stored,
                                       std::size_t capacity) {
  if (bytes == nullptr || capacity == 0 || stored > capacity) return std::nullopt;
  return TextFromStoredBytes(bytes, stored);
}

std::optional<char> FlagOfValue(const void* bytes, std::size_t stored, std::size_t capacity) {
  if (bytes == nullptr || stored == 0 || stored > capacity) return std::nullopt;
  return *static_cast<const char*>(bytes);
}

std::optional<uint32_t> DwordOfValue(const void* bytes, std::size_t stored) {
  if (bytes == nullptr || stored > sizeof(uint32_t)) return std::nullopt;
  const auto* byte = static_cast<const uint8_t*>(bytes);
  uint32_t value = 0;
  for (std::size_t i = 0; i < stored; ++i) value |= static_cast<uint32_t>(byte[i]) << (8 * i);
  return value;
}

std::optional<CaptureFormatRecord> FormatOfValue(const void* bytes, std::size_t stored,
                                                 const CaptureFormatRecord& before) {
  if (bytes == nullptr || stored > sizeof(CaptureFormatRecord)) return std::nullopt;
  CaptureFormatRecord record = before;
  std::memcpy(&record, bytes, stored);
  return record;
}

}  // namespace kvo
