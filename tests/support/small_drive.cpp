#include "small_drive.h"

#include <vector>

namespace kvo::test {

const char kSmallDrive[] = "R:\\";

namespace {
constexpr ULONGLONG kLargestSmallDrive = 64ull << 20;
}  // namespace

bool SmallDriveIsThere() {
  ULARGE_INTEGER free_bytes, total;
  if (!GetDiskFreeSpaceExA(kSmallDrive, &free_bytes, &total, nullptr)) return false;
  return total.QuadPart > 0 && total.QuadPart <= kLargestSmallDrive;
}

DriveFiller::DriveFiller() : path_(std::string(kSmallDrive) + "filler.bin") {
  DeleteFileA(path_.c_str());
  UniqueFileHandle file(CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  // Large blocks first, then smaller ones, down to a single byte: the drive ends full.
  std::vector<char> block(256 * 1024, 'f');
  for (DWORD size = static_cast<DWORD>(block.size()); size > 0; size /= 2) {
    DWORD written = 0;
    while (WriteFile(file.get(), block.data(), size, &written, nullptr) && written == size) {
    }
  }
  ULARGE_INTEGER free_bytes;
  full_ = GetDiskFreeSpaceExA(kSmallDrive, &free_bytes, nullptr, nullptr) &&
          free_bytes.QuadPart == 0;
}

DriveFiller::~DriveFiller() { DeleteFileA(path_.c_str()); }

}  // namespace kvo::test
