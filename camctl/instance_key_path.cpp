#include "instance_key_path.h"

#include "driver_records.h"

namespace kvo::cm {

std::optional<std::string> InstanceKeyPathOf(const std::string& kernel_path) {
  if (kernel_path.size() <= kKernelMachinePrefixLength) return std::nullopt;
  return kernel_path.substr(kKernelMachinePrefixLength);
}

}  // namespace kvo::cm
