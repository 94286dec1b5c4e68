#include "capture_files.h"

#include <cstdio>

#include "app_error.h"

namespace kvo {

const char kDiskFullText[] = "Disk free space insufficient. Recording stopped.";
const char kFileSizeText[] = "File size limited. Recording stopped.";
const char kRecordingStoppedPrefix[] = "Recording stopped: ";

namespace {
constexpr std::size_t kMaxSnapshotWideCharacters = 259;
constexpr std::size_t kMaxSnapshotAnsiBytes = 255;
}  // namespace

std::string NumberedFileName(const std::string& folder, const char* prefix, uint32_t number,
                             const char* extension) {
  char digits[16] = {};
  std::snprintf(digits, sizeof digits, "%06lu", static_cast<unsigned long>(number));
  return folder + "\\" + prefix + digits + extension;
}

std::optional<uint32_t> NextFreeNumber(uint32_t counter,
                                       const std::function<bool(uint32_t)>& file_exists,
                                       uint32_t max_tries) {
  uint32_t number = counter;
  for (uint32_t tried = 0; tried < max_tries; ++tried) {
    ++number;  // wraps at 2^32 as the stored DWORD does
    if (!file_exists(number)) return number;
  }
  return std::nullopt;
}

std::string DiskErrorText(const std::optional<std::string>& file_system,
                          std::optional<uint64_t> file_size) {
  const bool fat = file_system && (*file_system == "FAT" || *file_system == "FAT32");
  if (fat && file_size && *file_size > kFatFileSizeLimit) return kFileSizeText;
  return kDiskFullText;
}

void RecordingClock::Tick() {
  if (++seconds < 60) return;
  seconds = 0;
  if (++minutes < 60) return;
  minutes = 0;
  ++hours;
}

std::string RecordingCaption(bool clock_running, const RecordingClock& clock) {
  if (!clock_running) return kApplicationTitle;
  char caption[64] = {};
  std::snprintf(caption, sizeof caption, "Recording Time %02d:%02d:%02d",
                static_cast<int>(clock.hours), static_cast<int>(clock.minutes),
                static_cast<int>(clock.seconds));
  return caption;
}

bool SnapshotPathFits(std::size_t wide_characters, std::size_t ansi_bytes) {
  return wide_characters <= kMaxSnapshotWideCharacters && ansi_bytes <= kMaxSnapshotAnsiBytes;
}

}  // namespace kvo
