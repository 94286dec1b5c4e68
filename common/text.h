// Bounded text helpers. Plain C++: no platform headers, so tests also build natively.
#pragma once

#include <cstddef>
#include <string>

namespace kvo {

// Copies at most size - 1 characters of source into destination and always terminates it
// (when size > 0). Returns the number of characters copied.
std::size_t CopyBounded(char* destination, std::size_t size, const char* source);

// Copies at most count characters; terminates only when there is room, as the fixed
// records of the driver interface do ("a string of 259 or more is copied without NUL").
std::size_t CopyAtMost(char* destination, std::size_t count, const char* source);

// The text held in stored bytes: up to the first NUL or the stored byte count.
std::string TextFromStoredBytes(const void* bytes, std::size_t count);

// True when text begins with prefix (case-sensitive).
bool StartsWith(const std::string& text, const std::string& prefix);

}  // namespace kvo
