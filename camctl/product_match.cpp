#include "product_match.h"

namespace kvo::cm {

std::string ProductValueName(size_t slot) {
  std::string name = "ProductString";
  if (slot > 0 && slot < kProductSlots) name.push_back(static_cast<char>('0' + slot));
  return name;
}

void ProductStrings::Keep(size_t slot, const std::string& text) {
  if (slot >= kProductSlots || text.empty() || text.size() > kProductMaxChars) return;
  slots_[slot] = text;
}

bool ProductStrings::empty() const {
  for (const std::string& slot : slots_)
    if (!slot.empty()) return false;
  return true;
}

std::optional<size_t> ProductStrings::FindIn(const std::string& display_name,
                                             size_t first) const {
  for (size_t slot = first; slot < kProductSlots; ++slot) {
    if (!slots_[slot].empty() && display_name.find(slots_[slot]) != std::string::npos)
      return slot;
  }
  return std::nullopt;
}

}  // namespace kvo::cm
