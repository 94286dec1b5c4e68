// KVO_MAIN.exe on a small drive that fills up: a recording is stopped and the user is told
// why; a still that cannot be written shows one error box and is saved once there is room.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "camapp_session.h"
#include "small_drive.h"

namespace kvo {
namespace {

using namespace kvo::test;

// Each case starts from the installed settings and a fresh folder on the small drive, and
// ends every program it started, whatever its checks found.
class MainWindowFullDisk : public CameraAppSession {
 protected:
  void SetUp() override {
    if (!SmallDriveIsThere()) {
      GTEST_SKIP() << "no small drive R: (scripts/small-drive mounts it as root; "
                      "mounting is impossible here, so the full-disk cases cannot run)";
    }
    CameraAppSession::SetUp();
  }
  void TearDown() override {
    EndPrograms();
    if (!folder_.empty()) RemoveFolderTree(folder_);
    CameraAppSession::TearDown();
  }

  // A new, empty folder on the small drive as the picture folder.
  void UseFolder(const char* name) {
    folder_ = std::string(kSmallDrive) + name;
    RemoveFolderTree(folder_);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "FilePath", folder_));
  }

  std::string folder_;
};

TEST_F(MainWindowFullDisk, AStillOntoAFullDriveShowsOneBoxAndIsSavedOnceThereIsRoom) {
  UseFolder("stills");
  const std::string& folder = folder_;
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "JpgCounter", 0));
  std::optional<DriveFiller> filler;
  filler.emplace();
  ASSERT_TRUE(filler->full());

  HWND main = nullptr;
  app_ = StartKvoMain("", &main);
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(WaitUntil([&] { return PanelCaption(main) == "Preview"; }, 20000));
  quickdock_ = StartProgram(BinPath("quickdock.exe"), "", BinDir());
  ASSERT_TRUE(quickdock_.started());
  ASSERT_TRUE(Relay("SnapShot"));
  const BoxWatch watch = WatchBoxes("Oculetto Application", app_.id(), 20000, 10000);
  ASSERT_NE(nullptr, watch.box) << "no error box; still state " << SnapshotState();
  EXPECT_EQ(0u, watch.text.rfind("Cannot write " + folder + "\\IMG000001.jpg: ", 0))
      << watch.text;
  EXPECT_EQ(1, watch.most_boxes) << "one box, however often the tray says \"View\"";
  EXPECT_TRUE(app_.Running());
  EXPECT_EQ(3u, SnapshotState()) << "the still stays pending";
  EXPECT_FALSE(FileExists(folder + "\\IMG000001.jpg")) << "no half-written still is left";

  filler.reset();
  PressButton(watch.box, IDOK);
  EXPECT_TRUE(WaitForFile(folder + "\\IMG000002.jpg", 20000));
  EXPECT_TRUE(WaitUntil([] { return SnapshotState() == 2; }, 10000)) << SnapshotState();
}

TEST_F(MainWindowFullDisk, RecordingOntoAFullDriveStopsWithTheDiskWarning) {
  UseFolder("movies");
  const std::string& folder = folder_;
  HWND main = nullptr;
  app_ = StartKvoMain("NoShow", &main);
  ASSERT_NE(nullptr, main);
  Process record = StartProgram(kKvoMain, "Record");
  EXPECT_EQ("Disk free space insufficient. Recording stopped.",
            AnswerMessageBox("Warning", app_.id(), 120000));
  EXPECT_TRUE(record.Wait(30000));
  EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == "Oculetto Application"; }, 10000))
      << WindowText(main);
  EXPECT_TRUE(FileExists(folder + "\\MOV000001.avi"));
  EXPECT_TRUE(WaitUntil([&] { return PanelCaption(main) == "Preview"; }, 10000))
      << "the preview goes on: " << PanelCaption(main);
}

// The user stops a recording on a full drive before its clock has looked: the panel builds
// its preview again at once, and the failure is said all the same, whether a frame or the
// file's finishing writes met it.
TEST_F(MainWindowFullDisk, AUserStopOnAFullDriveSaysWhyTheRecordingFailed) {
  UseFolder("movies");
  HWND main = nullptr;
  app_ = StartKvoMain("NoShow", &main);
  ASSERT_NE(nullptr, main);
  {
    DriveFiller filler;
    ASSERT_TRUE(filler.full());
    ASSERT_TRUE(Relay("Record"));
    // The stop, as the second "Record" relays it, queued before the clock's first tick
    // and before the panel has taken the graph's events.
    ASSERT_TRUE(SendNotifyMessageA(main, WM_USER + 2, 0, 0));
    EXPECT_EQ("Disk free space insufficient. Recording stopped.",
              AnswerMessageBox("Warning", app_.id(), 30000));
  }
  EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == "Oculetto Application"; }, 10000));
  EXPECT_EQ(0, OpenBoxes("Warning", app_.id())) << "said once";
}

}  // namespace
}  // namespace kvo
