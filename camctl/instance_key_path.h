// The driver instance's key path as the driver stores it: in kernel form, its first 18
// characters the kernel prefix of the machine hive ("\REGISTRY\MACHINE\"), the rest a path
// below HKEY_LOCAL_MACHINE. Plain C++: also built natively and fuzzed.
#pragma once

#include <optional>
#include <string>

namespace kvo::cm {

// The path below HKEY_LOCAL_MACHINE: the stored text without its first 18 characters,
// whatever they are (the driver writes the prefix; its case varies). Nothing when the text
// is not longer than the prefix.
std::optional<std::string> InstanceKeyPathOf(const std::string& kernel_path);

}  // namespace kvo::cm
