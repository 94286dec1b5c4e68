// KVO_MAIN.exe recording onto a small drive that fills up: the recording is stopped and the
// user is told why.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "camapp_e2e_support.h"
#include "simcam_control.h"

namespace kvo {
namespace {

using namespace kvo::test;

// scripts/small-drive links a small tmpfs as this drive.
constexpr char kSmallDrive[] = "R:\\";
constexpr ULONGLONG kLargestSmallDrive = 64ull * 1024 * 1024;

bool SmallDriveIsThere() {
  ULARGE_INTEGER free_bytes, total;
  if (!GetDiskFreeSpaceExA(kSmallDrive, &free_bytes, &total, nullptr)) return false;
  return total.QuadPart > 0 && total.QuadPart <= kLargestSmallDrive;
}

TEST(MainWindowFullDisk, RecordingOntoAFullDriveStopsWithTheDiskWarning) {
  if (!SmallDriveIsThere()) {
    GTEST_SKIP() << "no small drive R: (scripts/small-drive mounts it as root; "
                    "mounting is impossible here, so the full-disk case cannot run)";
  }
  KillAll(kKvoMain);
  ASSERT_TRUE(ResetSettings());
  ASSERT_TRUE(simcam::ResetCamera());
  const std::string folder = std::string(kSmallDrive) + "movies";
  RemoveFolderTree(folder);
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "FilePath", folder));

  HWND main = nullptr;
  Process app = StartKvoMain("NoShow", &main);
  ASSERT_NE(nullptr, main);
  Process record = StartProgram(kKvoMain, "Record");
  EXPECT_EQ("Disk free space insufficient. Recording stopped.",
            AnswerMessageBox("Warning", app.id(), 120000));
  EXPECT_TRUE(record.Wait(30000));
  EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == "Oculetto Application"; }, 10000))
      << WindowText(main);
  EXPECT_TRUE(FileExists(folder + "\\MOV000001.avi"));
  EXPECT_TRUE(WaitUntil([&] { return PanelCaption(main) == "Preview"; }, 10000))
      << "the preview goes on: " << PanelCaption(main);

  EndKvoMain(app);
  RemoveFolderTree(folder);
  simcam::ResetCamera();
  ResetSettings();
}

}  // namespace
}  // namespace kvo
