// Values of the settings key as any program may have stored them: the product strings, the
// flags, the counters and Pin_Data, of any type and length, read through the same checks
// the readers use; the kept product strings then meet a device's display name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "product_match.h"
#include "settings_values.h"

using namespace kvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte says how many bytes the registry reports as stored (it may claim less
  // than the buffer holds, never more than the reader's buffer).
  const size_t claimed = data[0];
  ++data;
  --size;
  std::vector<uint8_t> stored(data, data + size);
  const size_t count = claimed < stored.size() ? claimed : stored.size();

  auto text = TextOfValue(stored.data(), count, 256);
  if (text && text->size() > count) __builtin_trap();
  FlagOfValue(stored.data(), count, 5);
  DwordOfValue(stored.data(), count);
  const auto format = FormatOfValue(stored.data(), count, NoFormatRecord());
  if (format && count == sizeof(CaptureFormatRecord)) HoldsFormat(*format);

  cm::ProductStrings products;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (size_t slot = 0; slot < cm::kProductSlots; ++slot) {
    const size_t begin = slot * 16;
    if (begin >= bytes.size()) break;
    auto product = TextOfValue(bytes.data() + begin, bytes.size() - begin, 256);
    if (product) products.Keep(slot, *product);
  }
  const auto found = products.FindIn(bytes);
  if (found && *found >= cm::kProductSlots) __builtin_trap();
  return 0;
}
