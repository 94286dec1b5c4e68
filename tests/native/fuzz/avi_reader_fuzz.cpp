// The AVI reader the tests judge recordings with: any RIFF structure, any sizes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "avi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  const kvo::AviReadResult result = kvo::ReadAvi(file);
  if (result.ok) {
    for (size_t stream = 0; stream < result.file.streams.size(); ++stream)
      kvo::FramesOf(result.file, stream);
  } else if (result.error.empty()) {
    __builtin_trap();  // a refusal always says why
  }
  return 0;
}
