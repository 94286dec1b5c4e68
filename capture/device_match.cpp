#include "device_match.h"

namespace kvo {

std::string BuildMatchPattern(const std::string& vendor, const std::string& product) {
  return "vid_" + vendor + "&pid_" + product;
}

bool DisplayNameMatches(const std::string& display_name, const std::string& pattern) {
  return display_name.find(pattern) != std::string::npos;
}

bool PreviewRendered(int32_t status) { return status == 0 || status == kNoPreviewPinStatus; }

bool IsDiskErrorStatus(uint32_t status) {
  return status == kDiskFullStatus || status == kFileNotFoundStatus;
}

}  // namespace kvo
