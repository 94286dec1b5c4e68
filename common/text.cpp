#include "text.h"

#include <cstring>

namespace kvo {

std::size_t CopyBounded(char* destination, std::size_t size, const char* source) {
  if (destination == nullptr || size == 0) return 0;
  std::size_t length = 0;
  if (source != nullptr) {
    while (length + 1 < size && source[length] != '\0') ++length;
    std::memcpy(destination, source, length);
  }
  destination[length] = '\0';
  return length;
}

std::size_t CopyAtMost(char* destination, std::size_t count, const char* source) {
  if (destination == nullptr || count == 0) return 0;
  std::size_t length = 0;
  if (source != nullptr) {
    while (length < count && source[length] != '\0') ++length;
    std::memcpy(destination, source, length);
  }
  if (length < count) destination[length] = '\0';
  return length;
}

std::string TextFromStoredBytes(const void* bytes, std::size_t count) {
  if (bytes == nullptr) return std::string();
  const char* text = static_cast<const char*>(bytes);
  const void* nul = std::memchr(text, '\0', count);
  std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text)
                           : count;
  return std::string(text, length);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace kvo
