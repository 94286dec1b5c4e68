// The driver instance's kernel path as the driver key stores it (any bytes, up to the
// reader's 256-byte buffer), stripped to the key path below HKEY_LOCAL_MACHINE, as the
// camera library and the tray companion's snapshot poll both read it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "instance_key_path.h"
#include "text.h"

namespace {

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

constexpr std::size_t kInstancePathBufferSize = 256;
constexpr std::size_t kPrefixLength = 18;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kInstancePathBufferSize) return 0;  // the read fails: more data
  const std::string kernel_path = kvo::TextFromStoredBytes(data, size);
  const auto key_path = kvo::cm::InstanceKeyPathOf(kernel_path);
  Check(key_path.has_value() == (kernel_path.size() > kPrefixLength));
  if (!key_path) return 0;
  Check(!key_path->empty() && key_path->size() == kernel_path.size() - kPrefixLength);
  Check(key_path->find('\0') == std::string::npos);
  Check(kernel_path.compare(kPrefixLength, std::string::npos, *key_path) == 0);
  return 0;
}
