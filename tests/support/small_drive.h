// The small drive that really fills up (scripts/small-drive links a 2 MiB tmpfs as R: of
// the prefix; the small_drive ctest fixture mounts it, as root).
#pragma once

#include <windows.h>

#include <string>

#include "unique_resource.h"

namespace kvo::test {

extern const char kSmallDrive[];  // "R:\\"

// Whether R: is there and small enough to be the tmpfs, not some real disk.
bool SmallDriveIsThere();

// Takes every byte still free on the small drive with one file, so that the next write
// that needs more room fails with the disk-full error; removes the file when destroyed.
class DriveFiller {
 public:
  DriveFiller();
  DriveFiller(const DriveFiller&) = delete;
  DriveFiller& operator=(const DriveFiller&) = delete;
  ~DriveFiller();
  // True when the drive had no room left at the end of the filling.
  bool full() const { return full_; }

 private:
  std::string path_;
  bool full_ = false;
};

}  // namespace kvo::test
