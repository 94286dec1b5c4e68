// The records the driver returns for a property: a numeric record and a string record
// whose text field the driver may fill to its last byte. The first four bytes choose the
// property id, the rest is the record as the driver left it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "property_routes.h"

using namespace kvo;
using namespace kvo::cm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t id = 0;
  if (size >= sizeof(id)) {
    std::memcpy(&id, data, sizeof(id));
    data += sizeof(id);
    size -= sizeof(id);
  }
  const Route route = RouteOf(id);
  if (IsSupportedId(id) != (route.kind != RouteKind::kUnsupported)) __builtin_trap();
  if (IsDriverRoute(route) != (PropertySetOf(route) != nullptr)) __builtin_trap();

  StringRecord returned{};
  std::memcpy(&returned, data, size < sizeof(returned) ? size : sizeof(returned));
  // The caller's buffer is exactly the documented size: one byte more is an overflow.
  auto caller = std::make_unique<char[]>(kStringRecordMaxChars);
  CopyStringField(returned, caller.get());

  NumericRecord numeric{};
  std::memcpy(&numeric, data, size < sizeof(numeric) ? size : sizeof(numeric));
  MakeNumericRecord(numeric.head.flags, numeric.value);

  // A caller's text of any length goes into a string record without overflowing it.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const StringRecord made = MakeStringRecord(kRecordFlagSet, text.c_str());
  const size_t kept = strnlen(made.text, sizeof(made.text));
  if (kept > kStringRecordMaxChars) __builtin_trap();
  MakeVideoControlModeRecord(id);
  return 0;
}
