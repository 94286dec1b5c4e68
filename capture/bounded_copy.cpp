#include "bounded_copy.h"

#include <cstring>

namespace kvo {

void CopyWideText(wchar_t* destination, std::size_t size, const wchar_t* source) {
  if (destination == nullptr || size == 0) return;
  std::size_t length = 0;
  if (source != nullptr) {
    while (length + 1 < size && source[length] != L'\0') ++length;
    if (source != destination) std::memmove(destination, source, length * sizeof(wchar_t));
  }
  destination[length] = L'\0';
}

std::vector<std::uint8_t> FormatBlockWithStoredHeader(const std::uint8_t* pin_block,
                                                      std::size_t pin_size, const void* stored,
                                                      std::size_t stored_size) {
  if (pin_block == nullptr || stored == nullptr || pin_size < stored_size) return {};
  std::vector<std::uint8_t> block(pin_block, pin_block + pin_size);
  std::memcpy(block.data(), stored, stored_size);
  return block;
}

}  // namespace kvo
