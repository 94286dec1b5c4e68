// How a video capture device is recognised by its display name, and which graph results
// and abort statuses the component acts on. Plain C++.
#pragma once

#include <cstdint>
#include <string>

namespace kvo {

// "vid_" + vendor + "&pid_" + product, as given (no case change).
std::string BuildMatchPattern(const std::string& vendor, const std::string& product);

// Case-sensitive substring test of the display name.
bool DisplayNameMatches(const std::string& display_name, const std::string& pattern);

// The preview render counts as done on S_OK and on the builder's "no preview pin, the
// capture stream was split instead" success code.
constexpr int32_t kNoPreviewPinStatus = 0x0004027E;
bool PreviewRendered(int32_t status);

// An abort with the file system's disk-full or file-not-found error means the recording
// lost its disk.
constexpr uint32_t kDiskFullStatus = 0x80070070u;
constexpr uint32_t kFileNotFoundStatus = 0x80070002u;
bool IsDiskErrorStatus(uint32_t status);

}  // namespace kvo
