// Names of the numbered still and recording files, the choice of a free number, the text
// of a stopped recording and the recording clock. Plain C++.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kvo {

constexpr char kSnapshotPrefix[] = "IMG";
constexpr char kSnapshotExtension[] = ".jpg";
constexpr char kRecordingPrefix[] = "MOV";
constexpr char kRecordingExtension[] = ".avi";

// folder + "\" + prefix + the number in at least six digits + extension. The counter is a
// 32-bit registry value, so the number is unsigned.
std::string NumberedFileName(const std::string& folder, const char* prefix, uint32_t number,
                             const char* extension);

// The first number after counter whose file does not exist yet, so that no still or
// recording overwrites an earlier one; nullopt when max_tries numbers are all taken.
std::optional<uint32_t> NextFreeNumber(uint32_t counter,
                                       const std::function<bool(uint32_t)>& file_exists,
                                       uint32_t max_tries = 100000);

constexpr uint64_t kFatFileSizeLimit = 4250000000ull;
extern const char kDiskFullText[];
extern const char kFileSizeText[];
extern const char kRecordingStoppedPrefix[];

// The warning of a recording the capture panel aborted on a full disk or a file-size limit:
// the file-size text only on a "FAT" or "FAT32" volume (exact) with a file above the limit.
std::string DiskErrorText(const std::optional<std::string>& file_system,
                          std::optional<uint64_t> file_size);

struct RecordingClock {
  int32_t hours = 0;
  int32_t minutes = 0;
  int32_t seconds = 0;
  void Tick();
};
// "Recording Time %02d:%02d:%02d" while the clock runs; the application title otherwise.
std::string RecordingCaption(bool clock_running, const RecordingClock& clock);

// A snapshot path fits the window's field: at most 259 wide characters and 255 bytes.
bool SnapshotPathFits(std::size_t wide_characters, std::size_t ansi_bytes);

}  // namespace kvo
