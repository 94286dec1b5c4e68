// What the stored bytes of a settings value mean to their readers: a text, a one-byte
// flag, a DWORD, the capture format record. The registry hands over whatever a user or
// another program stored there, so every reader checks the count against its buffer.
// Plain C++: also built natively and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "capture_format.h"

namespace kvo {

// The text up to the first NUL or the stored count; nothing when the value does not fit.
std::optional<std::string> TextOfValue(const void* bytes, std::size_t stored,
                                       std::size_t capacity);
// The first byte; nothing for an empty value or one that does not fit.
std::optional<char> FlagOfValue(const void* bytes, std::size_t stored, std::size_t capacity);
// A DWORD from up to four stored bytes (little-endian, missing high bytes zero).
std::optional<uint32_t> DwordOfValue(const void* bytes, std::size_t stored);
// The format record: the stored bytes over the record's earlier contents, which keep the
// bytes a shorter value does not reach; nothing when more than a record was stored.
std::optional<CaptureFormatRecord> FormatOfValue(const void* bytes, std::size_t stored,
                                                 const CaptureFormatRecord& before);

}  // namespace kvo
