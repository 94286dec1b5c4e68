// The product strings that select the camera and the match against device display names.
// Plain C++: also tested natively.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace kvo::cm {

constexpr size_t kProductSlots = 10;
constexpr size_t kProductMaxChars = 255;  // the handle holds it in 256 bytes

// The value name of slot i: "ProductString", then "ProductString1" ... "ProductString9".
std::string ProductValueName(size_t slot);

// The product strings kept from the settings key, each in the slot of its index; an empty
// slot takes no part in the match.
class ProductStrings {
 public:
  // Keeps text in its slot when it is not empty and fits the handle's field; a longer text
  // would be cut to a shorter, wider-matching one, so it is left out instead.
  void Keep(size_t slot, const std::string& text);
  bool empty() const;
  // The first kept string, in slot order, that occurs in display_name (case-sensitive),
  // starting from slot first; the slot found, or nothing.
  std::optional<size_t> FindIn(const std::string& display_name, size_t first = 0) const;
  const std::string& at(size_t slot) const { return slots_[slot]; }

 private:
  std::array<std::string, kProductSlots> slots_;
};

}  // namespace kvo::cm
