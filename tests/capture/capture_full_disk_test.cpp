// A recording onto a drive that fills up ends with DiskError set: the file sink reports the
// failed write as an abort event with the disk-full status, and the panel's event handling
// turns it into the flag the main window polls.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "capture_test_window.h"
#include "simcam_control.h"
#include "tdirectshow.h"

namespace kvo {
namespace {

// scripts/small-drive links a 2 MiB tmpfs as this drive.
const char kSmallDrive[] = "R:\\";
constexpr ULONGLONG kLargestSmallDrive = 64ull << 20;

bool SmallDriveIsThere() {
  ULARGE_INTEGER free_bytes, total;
  if (!GetDiskFreeSpaceExA(kSmallDrive, &free_bytes, &total, nullptr)) return false;
  return total.QuadPart > 0 && total.QuadPart <= kLargestSmallDrive;
}

TEST(CaptureFullDisk, RecordingOntoAFullDriveSetsDiskError) {
  ComApartment apartment;
  ASSERT_TRUE(apartment.ok());
  if (!SmallDriveIsThere()) {
    GTEST_SKIP() << "no small drive R: (scripts/small-drive mounts it as root; "
                    "mounting is impossible here, so the full-disk case cannot run)";
  }
  ASSERT_TRUE(simcam::ResetCamera());
  test::TestWindow window;
  TDirectShow panel(window.handle());
  const std::string path = std::string(kSmallDrive) + "capture_full.avi";
  DeleteFileA(path.c_str());
  const std::wstring wide_path(path.begin(), path.end());

  panel.InitRunCapture("feed", "cafe", false);
  ASSERT_TRUE(panel.GetReady());
  panel.Run();
  panel.StartRecord(wide_path.c_str());
  ASSERT_TRUE(panel.GetInRecord());
  EXPECT_FALSE(panel.DiskError);
  panel.Run();
  // 640 x 480 frames of 900 KiB fill 2 MiB within the first few frames.
  EXPECT_TRUE(test::PumpUntil([&] { return panel.DiskError; }, 20000))
      << "no disk error while recording onto a full drive";
  // The main window stops the recording; the preview comes back without the flag.
  panel.StopRecord();
  panel.Run();
  EXPECT_FALSE(panel.DiskError);
  EXPECT_TRUE(panel.GetReady());
  panel.Close();
  DeleteFileA(path.c_str());
  EXPECT_EQ(simcam::LiveObjects(), 0);
}

}  // namespace
}  // namespace kvo
