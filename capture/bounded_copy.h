// Bounded copies at the component's interfaces: wide paths into fixed buffers, and the
// format block handed to a capture pin. Plain C++: tested natively with sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvo {

// Copies at most size - 1 characters of source and terminates. The source may be the
// destination itself or overlap it (a rebuild passes a field back into itself); a null
// source gives an empty text.
void CopyWideText(wchar_t* destination, std::size_t size, const wchar_t* source);

// The block handed to a pin's SetFormat: as many bytes as the pin's own block, the stored
// header over its start, the pin's own bytes (masks, palette) after it. Empty when the
// pin's block is shorter than the stored header.
std::vector<std::uint8_t> FormatBlockWithStoredHeader(const std::uint8_t* pin_block,
                                                      std::size_t pin_size, const void* stored,
                                                      std::size_t stored_size);

}  // namespace kvo
