// KVO_MAIN.exe end to end with the simulated camera: the preview, stills through the
// commands and the camera's button (relayed by quickdock), the viewer, recordings, the camera
// switched off and on, and the window's geometry.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "avi_file.h"
#include "camapp_session.h"
#include "capture_format.h"
#include "simcam_control.h"

namespace kvo {
namespace {

using namespace kvo::test;

constexpr char kCameraOff[] = "Please press Fn+F10 turn on the Camera";

DWORD StillCount() {
  auto value = ReadValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\KvoTestbed\\SimCam", "StillCount");
  return value && value->AsDword() ? *value->AsDword() : 0;
}

class MainWindowTest : public CameraAppSession {
 protected:
  void UseFolder(const std::string& folder) {
    ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "FilePath", folder));
  }
  HWND StartApp(const std::string& word) {
    HWND main = nullptr;
    app_ = StartKvoMain(word, &main);
    EXPECT_NE(nullptr, main) << "AppStatusOK " << AppStatus();
    return main;
  }
  std::optional<DWORD> Counter(const char* name) {
    auto value = ReadValue(HKEY_CURRENT_USER, kSettingsPath, name);
    return value ? value->AsDword() : std::nullopt;
  }
  bool WaitForCaption(HWND window, const std::string& caption, DWORD timeout_ms) {
    return WaitUntil([&] { return WindowText(window) == caption; }, timeout_ms);
  }
};

TEST_F(MainWindowTest, PreviewStillsViewerAndButtonPressThroughTheTray) {
  const std::string folder = FreshFolder("stills");
  UseFolder(folder);
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "JpgCounter", 41));
  // An earlier still that a later number would reach must survive.
  const std::string earlier = folder + "\\IMG000043.jpg";
  ASSERT_TRUE(WriteFileBytes(earlier, "earlier", 7));

  HWND main = StartApp("");
  ASSERT_NE(nullptr, main);
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_TRUE(WaitUntil([&] { return PanelCaption(main) == "Preview"; }, 20000))
      << PanelCaption(main);
  EXPECT_EQ("Oculetto Application", WindowText(main));
  EXPECT_TRUE(SaveScreenshot(main, ArtefactPath("main_window_preview.png")));

  // "SnapShot" while the preview runs asks the driver for a still; "View" saves it.
  ASSERT_TRUE(Relay("SnapShot"));
  ASSERT_TRUE(WaitUntil([] { return SnapshotState() == 3; }, 10000)) << SnapshotState();
  auto still = ReadDriverStill();
  ASSERT_TRUE(still);
  ASSERT_TRUE(Relay("View"));
  const std::string first = folder + "\\IMG000042.jpg";
  ASSERT_TRUE(FileExists(first));
  EXPECT_EQ(42u, Counter("JpgCounter").value_or(0));
  EXPECT_EQ(2u, SnapshotState()) << "the still is marked taken";
  auto decoded = DecodeJpegFile(first);
  ASSERT_TRUE(decoded);
  EXPECT_TRUE(decoded->jfif);
  EXPECT_FALSE(decoded->progressive);
  EXPECT_EQ(3, decoded->components);
  const double difference = MeanDifference(decoded->bitmap, *still);
  EXPECT_GE(difference, 0) << decoded->bitmap.width() << " x " << decoded->bitmap.height()
                           << " against " << still->width() << " x " << still->height();
  EXPECT_LT(difference, 4.0) << "mean difference to the driver's still";

  // With "show image" checked the viewer opens at the still's size.
  HWND settings = SettingWindow(app_.id());
  ASSERT_NE(nullptr, settings);
  HWND show_image = CheckBoxOf(settings, "&Show Image after snapshot");
  ASSERT_NE(nullptr, show_image);
  SendMessageA(show_image, BM_CLICK, 0, 0);

  // The button, through quickdock's poll and its "View": 43 is taken, so 44.
  quickdock_ = StartProgram(BinPath("quickdock.exe"), "", BinDir());
  ASSERT_TRUE(quickdock_.started());
  ASSERT_TRUE(simcam::PressButton());
  const std::string pressed = folder + "\\IMG000044.jpg";
  ASSERT_TRUE(WaitForFile(pressed, 20000)) << "quickdock's View saves the pressed still";
  EXPECT_TRUE(WaitUntil([] { return SnapshotState() == 2; }, 10000));
  EXPECT_EQ(44u, Counter("JpgCounter").value_or(0)) << "the free number becomes the counter";
  auto kept = ReadFileBytes(earlier);
  ASSERT_TRUE(kept);
  EXPECT_EQ(std::string("earlier"), std::string(kept->begin(), kept->end()));
  HWND view = FindTopWindow(kViewClass, nullptr, app_.id());
  ASSERT_NE(nullptr, view);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(view) != FALSE; }, 5000));
  EXPECT_EQ("SnapView", WindowText(view));
  auto pressed_still = DecodeJpegFile(pressed);
  ASSERT_TRUE(pressed_still);
  const SIZE view_client = ClientSizeOf(view);
  EXPECT_EQ(pressed_still->bitmap.width(), view_client.cx);
  EXPECT_EQ(pressed_still->bitmap.height(), view_client.cy);
  EXPECT_TRUE(SaveScreenshot(view, ArtefactPath("snapshot_viewer.png")));
  quickdock_.Kill();
  quickdock_.Wait(10000);

  // A still under 160 x 120 stays pending and nothing is written.
  ASSERT_TRUE(simcam::SetStillSize(159, 120));
  ASSERT_TRUE(simcam::PressButton());
  ASSERT_EQ(3u, SnapshotState());
  ASSERT_TRUE(Relay("View"));
  EXPECT_EQ(3u, SnapshotState()) << "still pending";
  EXPECT_EQ(44u, Counter("JpgCounter").value_or(0));
  EXPECT_FALSE(FileExists(folder + "\\IMG000045.jpg"));

  // A folder that cannot be created: the error box, the counter counted, still pending.
  // A new still of the current size, asked for by "SnapShot".
  ASSERT_TRUE(simcam::SetStillSize(0, 0));
  const DWORD stills = StillCount();
  ASSERT_TRUE(Relay("SnapShot"));
  ASSERT_TRUE(WaitUntil([&] { return StillCount() > stills; }, 10000));
  HWND path_edit = PathEditOf(settings, folder);
  ASSERT_NE(nullptr, path_edit);
  const std::string blocked = earlier + "\\below a file";
  SendMessageA(path_edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(blocked.c_str()));
  ASSERT_EQ(blocked, WindowText(path_edit));
  Process view_command = StartProgram(kKvoMain, "View");
  EXPECT_EQ("Cannot create directory.", AnswerMessageBox("Oculetto Application", app_.id()));
  EXPECT_TRUE(view_command.Wait(15000));
  EXPECT_EQ(45u, Counter("JpgCounter").value_or(0));
  EXPECT_EQ(3u, SnapshotState());
  EXPECT_FALSE(FileExists(folder + "\\IMG000045.jpg"));
}

// quickdock repeats "View" every 200 ms while the still stays pending; a still that cannot
// be saved must show one error box, not one more with every repeat.
TEST_F(MainWindowTest, AStillThatCannotBeSavedShowsOneBoxWhileTheTrayRepeatsView) {
  const std::string folder = FreshFolder("blocked");
  const std::string blocker = folder + "\\not a folder";
  ASSERT_TRUE(WriteFileBytes(blocker, "x", 1));
  const std::string stills = blocker + "\\stills";
  UseFolder(stills);
  HWND main = StartApp("");
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(WaitUntil([&] { return PanelCaption(main) == "Preview"; }, 20000));
  quickdock_ = StartProgram(BinPath("quickdock.exe"), "", BinDir());
  ASSERT_TRUE(quickdock_.started());
  const DWORD counter = Counter("JpgCounter").value_or(0);

  ASSERT_TRUE(Relay("SnapShot"));
  const BoxWatch watch = WatchBoxes("Oculetto Application", app_.id(), 20000, 10000);
  ASSERT_NE(nullptr, watch.box) << "no error box; still state " << SnapshotState();
  EXPECT_EQ("Cannot create directory.", watch.text);
  EXPECT_EQ(1, watch.most_boxes) << "one box, however often the tray says \"View\"";
  EXPECT_TRUE(app_.Running());
  EXPECT_EQ(3u, SnapshotState()) << "the still stays pending";
  EXPECT_EQ(counter + 1, Counter("JpgCounter").value_or(0)) << "one attempt, one number";

  // The way is free and the box closed: the tray's next "View" saves the still.
  ASSERT_TRUE(DeleteFileA(blocker.c_str()));
  PressButton(watch.box, IDOK);
  char name[32];
  std::snprintf(name, sizeof name, "\\IMG%06u.jpg", static_cast<unsigned>(counter + 2));
  EXPECT_TRUE(WaitForFile(stills + name, 20000)) << stills + name;
  EXPECT_TRUE(WaitUntil([] { return SnapshotState() == 2; }, 10000)) << SnapshotState();
  EXPECT_EQ(0, OpenBoxes("Oculetto Application", app_.id()));
}

// A stored 320 x 240 format (the camera keeps its own) sizes the window to 345 x 295.
void StoreFormatSize(int width, int height) {
  CaptureFormatRecord format{};
  format.header.size = sizeof format.header;
  format.header.width = width;
  format.header.height = height;
  format.header.compression = kNoFormatCompression;
  ASSERT_TRUE(WriteValue(HKEY_CURRENT_USER, kSettingsPath, "Pin_Data", REG_BINARY, &format,
                         sizeof format));
}

TEST_F(MainWindowTest, RecordingClockAndNumberedFile) {
  const std::string folder = FreshFolder("recordings");
  UseFolder(folder);
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "AviCounter", 999999));
  StoreFormatSize(320, 240);
  HWND main = StartApp("NoShow");
  ASSERT_NE(nullptr, main);
  EXPECT_FALSE(IsWindowVisible(main));
  HWND capture_audio = CheckBoxOf(SettingWindow(app_.id()), "&Capture Audio");
  ASSERT_NE(nullptr, capture_audio);
  EXPECT_TRUE(IsWindowEnabled(capture_audio));

  // "Record" shows the window, opens the preview and starts the clock.
  ASSERT_TRUE(Relay("Record"));
  EXPECT_TRUE(IsWindowVisible(main));
  const SIZE recording_size = WindowSizeOf(main);
  EXPECT_EQ(665, recording_size.cx);
  EXPECT_EQ(535, recording_size.cy);
  EXPECT_FALSE(IsWindowEnabled(capture_audio)) << "no change of the sound while recording";
  for (const char* caption : {"Recording Time 00:00:01", "Recording Time 00:00:02",
                              "Recording Time 00:00:03"}) {
    EXPECT_TRUE(WaitForCaption(main, caption, 5000)) << WindowText(main);
  }
  ASSERT_TRUE(Relay("Record"));
  EXPECT_EQ("Oculetto Application", WindowText(main));
  const SIZE restored_size = WindowSizeOf(main);
  EXPECT_EQ(345, restored_size.cx) << "the size of the format saved at the start";
  EXPECT_EQ(295, restored_size.cy);
  EXPECT_TRUE(IsWindowEnabled(capture_audio));
  const std::string movie = folder + "\\MOV1000000.avi";
  ASSERT_TRUE(FileExists(movie));
  EXPECT_EQ(1000000u, Counter("AviCounter").value_or(0));
  auto bytes = ReadFileBytes(movie);
  ASSERT_TRUE(bytes);
  AviReadResult avi = ReadAvi(*bytes);
  ASSERT_TRUE(avi.ok) << avi.error;
  ASSERT_FALSE(avi.file.streams.empty());
  EXPECT_GE(FramesOf(avi.file, 0), 30u) << "about three seconds at 30 frames a second";
  EXPECT_EQ("Preview", PanelCaption(main)) << "the preview goes on";
}

// With the camera on, "SnapShot" while the preview is off opens the preview; with the camera
// off it would answer with the camera-off box instead.
void ExpectSnapShotOpensThePreview(HWND main) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(main, &process_id);
  Process snapshot = StartProgram(kKvoMain, "SnapShot");
  EXPECT_TRUE(WaitUntil([&] {
    return PanelCaption(main) == "Preview" || OpenBoxes("Error window", process_id) > 0;
  }, 20000));
  EXPECT_EQ(0, OpenBoxes("Error window", process_id)) << "the camera counts as on";
  EXPECT_EQ("Preview", PanelCaption(main));
  AnswerMessageBox("Error window", process_id, 0);
  EXPECT_TRUE(snapshot.Wait(15000));
}

// The user logs off while recording: once WM_ENDSESSION has returned the process may be
// ended at any moment, so by then the file is complete and the window's state saved.
TEST_F(MainWindowTest, TheSessionEndingDuringARecordingLeavesACompleteFile) {
  const std::string folder = FreshFolder("session");
  UseFolder(folder);
  StoreFormatSize(320, 240);
  HWND main = StartApp("NoShow");
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(Relay("Record"));
  ASSERT_TRUE(WaitForCaption(main, "Recording Time 00:00:02", 10000)) << WindowText(main);
  SetWindowPos(main, nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  // Both messages queue before either is handled, as the platform sends them one right
  // after the other; the 50 ms exit tick cannot come between them.
  ASSERT_TRUE(SendNotifyMessageA(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK,
                                  30000, &answer));
  app_.Kill();
  ASSERT_TRUE(app_.Wait(10000));

  auto bytes = ReadFileBytes(folder + "\\MOV000001.avi");
  ASSERT_TRUE(bytes);
  AviReadResult avi = ReadAvi(*bytes);
  ASSERT_TRUE(avi.ok) << avi.error;
  EXPECT_TRUE(avi.file.has_index) << "the multiplexer finished the file";
  EXPECT_TRUE(avi.file.index_matches_chunks);
  ASSERT_FALSE(avi.file.streams.empty());
  EXPECT_GE(FramesOf(avi.file, 0), 30u);
  EXPECT_EQ(80u, ReadValue(HKEY_CURRENT_USER, kSettingsPath, "FormTop")->AsDword().value_or(0));
  EXPECT_EQ(70u, ReadValue(HKEY_CURRENT_USER, kSettingsPath, "FormLeft")->AsDword().value_or(0));
  auto stored = ReadValue(HKEY_CURRENT_USER, kSettingsPath, "Pin_Data");
  ASSERT_TRUE(stored);
  ASSERT_EQ(sizeof(CaptureFormatRecord), stored->data.size());
  CaptureFormatRecord format{};
  std::memcpy(&format, stored->data.data(), sizeof format);
  EXPECT_EQ(320, format.header.width) << "the format from before the recording";
}

// After the camera was released during a recording its clock goes on (as designed), but
// the checks of a running recording must never start a new one: here the finished file is
// gone, which would read as a vanished recording file.
TEST_F(MainWindowTest, TheClockOfAReleasedRecordingNeverStartsANewOne) {
  const std::string folder = FreshFolder("released");
  UseFolder(folder);
  HWND main = StartApp("NoShow");
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(Relay("Record"));
  ASSERT_TRUE(WaitForCaption(main, "Recording Time 00:00:02", 10000)) << WindowText(main);
  ASSERT_TRUE(Relay("disable"));
  EXPECT_EQ("Oculetto Application", WindowText(main));
  const std::string first = folder + "\\MOV000001.avi";
  ASSERT_TRUE(FileExists(first));
  ASSERT_TRUE(DeleteFileA(first.c_str()));
  ASSERT_TRUE(Relay("enable"));

  // "SnapShot" opens the preview without a recording; the clock shows its ticks again.
  ExpectSnapShotOpensThePreview(main);
  std::string seen;
  int ticks_seen = 0;
  EXPECT_TRUE(WaitUntil([&] {
    const std::string caption = WindowText(main);
    if (caption.rfind("Recording Time", 0) == 0 && caption != seen) {
      seen = caption;
      ++ticks_seen;
    }
    return ticks_seen >= 4;
  }, 15000)) << "the clock ticks on: " << WindowText(main);
  EXPECT_EQ(0, OpenBoxes("Warning", app_.id())) << "nothing was stopped";
  EXPECT_FALSE(FileExists(folder + "\\MOV000002.avi")) << "no recording was started";
  EXPECT_EQ(1u, Counter("AviCounter").value_or(0));
  EXPECT_EQ("Preview", PanelCaption(main));
}

TEST_F(MainWindowTest, CameraSwitchedOffAndOnDisableEnableAndOtherDevices) {
  HWND main = StartApp("");
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(WaitUntil([&] { return PanelCaption(main) == "Preview"; }, 20000));

  // Off: the platform tells the window the camera's interface is gone.
  ASSERT_TRUE(simcam::SetPowered(false));
  EXPECT_EQ(1, SendDeviceInterfaceChange(main, DBT_DEVICEREMOVECOMPLETE, kCameraInterface));
  EXPECT_EQ("No Preview", PanelCaption(main));
  Process snapshot = StartProgram(kKvoMain, "SnapShot");
  EXPECT_EQ(kCameraOff, AnswerMessageBox("Error window", app_.id()));
  EXPECT_TRUE(snapshot.Wait(15000));

  // Another USB device arriving does not switch the camera on.
  SendDeviceInterfaceChange(main, DBT_DEVICEARRIVAL, kOtherInterface);
  snapshot = StartProgram(kKvoMain, "SnapShot");
  EXPECT_EQ(kCameraOff, AnswerMessageBox("Error window", app_.id()));
  EXPECT_TRUE(snapshot.Wait(15000));

  // On: the camera is back, the preview stays off until the next command; "SnapShot" then
  // opens it instead of answering that the camera is off.
  ASSERT_TRUE(simcam::SetPowered(true));
  EXPECT_EQ(1, SendDeviceInterfaceChange(main, DBT_DEVICEARRIVAL, kCameraInterface));
  EXPECT_EQ("No Preview", PanelCaption(main));
  ExpectSnapShotOpensThePreview(main);

  // "disable" and "enable" the same way.
  ASSERT_TRUE(Relay("disable"));
  EXPECT_EQ("No Preview", PanelCaption(main));
  snapshot = StartProgram(kKvoMain, "SnapShot");
  EXPECT_EQ(kCameraOff, AnswerMessageBox("Error window", app_.id()));
  EXPECT_TRUE(snapshot.Wait(15000));
  ASSERT_TRUE(Relay("enable"));
  EXPECT_EQ("No Preview", PanelCaption(main));
  ExpectSnapShotOpensThePreview(main);

  // Closing from the caption hides the window and keeps the program.
  SendMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_EQ("No Preview", PanelCaption(main));
  EXPECT_TRUE(app_.Running());
}

// The visible dialog of the process other than its message boxes and own windows: the
// stream-format dialog.
HWND FindFormatDialog(DWORD process_id) {
  struct Query {
    DWORD process_id;
    HWND found;
  } query{process_id, nullptr};
  EnumWindows(
      [](HWND window, LPARAM lparam) -> BOOL {
        auto* q = reinterpret_cast<Query*>(lparam);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != q->process_id || !IsWindowVisible(window)) return TRUE;
        if (ClassName(window) != "#32770") return TRUE;
        q->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&query));
  return query.found;
}

TEST_F(MainWindowTest, CloseWhileTheStreamFormatDialogIsOpenEndsCleanly) {
  HWND main = StartApp("");
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(WaitUntil([&] { return PanelCaption(main) == "Preview"; }, 20000));
  ASSERT_TRUE(Relay("Setting"));
  HWND settings = SettingWindow(app_.id());
  ASSERT_NE(nullptr, settings);
  // The settings window's "Stream Format" button opens the dialog in its own modal loop.
  HWND format_button = ChildWindowFromPoint(settings, POINT{259 + 16, 96 + 15});
  ASSERT_NE(nullptr, format_button);
  ASSERT_NE(settings, format_button);
  PostMessageA(format_button, BM_CLICK, 0, 0);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = FindFormatDialog(app_.id())) != nullptr; },
                        20000));

  // Commands that need the graph are ignored while the dialog is open: no still is asked
  // of the camera (the relay returns once the message was handled).
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ASSERT_TRUE(Relay("SnapShot"));
  for (const simcam::PropertyCall& call : simcam::ReadPropertyCalls()) {
    EXPECT_FALSE(call.is_set && call.set == simcam::CallSet::kVideoControl)
        << "a still was asked for: " << simcam::FormatCall(call);
  }

  ASSERT_TRUE(Relay("Close"));
  DWORD exit_code = 99;
  ASSERT_TRUE(app_.Wait(30000, &exit_code)) << "the program ends once the dialog is gone";
  EXPECT_EQ(0u, exit_code) << "no crash on released interfaces";
  EXPECT_EQ(nullptr, FindTopWindow(kMainClass, nullptr));
}

struct GeometryCase {
  int format_width;
  int format_height;
  int window_width;   // 0: the designed size is kept
  int window_height;
  int panel_width;
  int panel_height;
};

TEST_F(MainWindowTest, StoredFormatPositionAndCornerDrag) {
  const GeometryCase cases[] = {
      {1280, 1024, 1305, 1079, 1280, 1024},
      {1281, 1024, 0, 0, 640, 480},
      {319, 239, 345, 295, 319, 239},
      {320, 240, 345, 295, 320, 240},
  };
  SIZE designed{};
  {
    HWND main = StartApp("NoShow");
    ASSERT_NE(nullptr, main);
    designed = WindowSizeOf(main);
    EndKvoMain(app_);
  }
  for (const GeometryCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.format_width << " x " << c.format_height);
    // The camera keeps its own format; the window follows the stored size.
    CaptureFormatRecord format{};
    format.header.size = sizeof format.header;
    format.header.width = c.format_width;
    format.header.height = c.format_height;
    format.header.compression = kNoFormatCompression;
    ASSERT_TRUE(WriteValue(HKEY_CURRENT_USER, kSettingsPath, "Pin_Data", REG_BINARY, &format,
                           sizeof format));
    ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "FormTop", 40));
    ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "FormLeft", 30));
    HWND main = StartApp("NoShow");
    ASSERT_NE(nullptr, main);
    RECT bounds{};
    GetWindowRect(main, &bounds);
    EXPECT_EQ(30, bounds.left);
    EXPECT_EQ(40, bounds.top);
    const SIZE size = WindowSizeOf(main);
    EXPECT_EQ(c.window_width ? c.window_width : designed.cx, size.cx);
    EXPECT_EQ(c.window_height ? c.window_height : designed.cy, size.cy);
    const SIZE panel = WindowSizeOf(PanelOf(main));
    EXPECT_EQ(c.panel_width, panel.cx);
    EXPECT_EQ(c.panel_height, panel.cy);
    EndKvoMain(app_);
  }

  // The position and the format are saved at "Close".
  HWND main = StartApp("");
  ASSERT_NE(nullptr, main);
  SetWindowPos(main, nullptr, 70, 80, 345, 295, SWP_NOZORDER | SWP_NOACTIVATE);
  // The corner follows the pointer, as a user drags it: down in the grip, moves, up.
  SetForegroundWindow(main);
  auto press = [](DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return SendInput(1, &input, sizeof input) == 1;
  };
  // Pointer moves at window coordinates (the window's corner is at 70, 80).
  auto move_to = [](int x, int y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ((70 + x) * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = ((80 + y) * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return SendInput(1, &input, sizeof input) == 1;
  };
  ASSERT_TRUE(move_to(345 - 10, 295 - 5));
  ASSERT_TRUE(press(MOUSEEVENTF_LEFTDOWN));
  // Under load the platform may merge or drop a move: the pointer is moved there again
  // (from one pixel off) until the window has followed it.
  auto drag_until = [&](int x, int y, const std::function<bool()>& done) {
    return WaitUntil([&] {
      move_to(x - 1, y);
      move_to(x, y);
      return WaitUntil(done, 300);
    }, 15000);
  };
  EXPECT_TRUE(drag_until(500, 400, [&] {
    const SIZE size = WindowSizeOf(main);
    return size.cx == 500 && size.cy == 400;
  })) << WindowSizeOf(main).cx << " x " << WindowSizeOf(main).cy;
  EXPECT_TRUE(drag_until(100, 380, [&] { return WindowSizeOf(main).cy == 380; }));
  ASSERT_TRUE(press(MOUSEEVENTF_LEFTUP));
  EXPECT_EQ(500, WindowSizeOf(main).cx) << "x = 100 leaves the width";
  EXPECT_TRUE(WaitUntil([&] {
    const SIZE panel = WindowSizeOf(PanelOf(main));
    return panel.cx == 475 && panel.cy == 325;
  }, 5000)) << "the panel follows the window: " << WindowSizeOf(PanelOf(main)).cx << " x "
            << WindowSizeOf(PanelOf(main)).cy;

  // Closed while minimized, it keeps the place it had before.
  PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(main) != FALSE; }, 10000));
  EndKvoMain(app_);
  EXPECT_EQ(80u, ReadValue(HKEY_CURRENT_USER, kSettingsPath, "FormTop")->AsDword().value_or(0));
  EXPECT_EQ(70u, ReadValue(HKEY_CURRENT_USER, kSettingsPath, "FormLeft")->AsDword().value_or(0));
  auto stored = ReadValue(HKEY_CURRENT_USER, kSettingsPath, "Pin_Data");
  ASSERT_TRUE(stored);
  ASSERT_EQ(88u, stored->data.size());
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), stored->type);
}

// Stored values the window cannot use as they stand: a place off every monitor (one that
// was removed), a capture format record longer than its 88 bytes.
TEST_F(MainWindowTest, StoredValuesThatDoNotFitLeaveAWindowInReach) {
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "FormLeft", 5000));
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "FormTop", static_cast<DWORD>(-3000)));
  std::vector<uint8_t> too_long(sizeof(CaptureFormatRecord) + 12, 0);
  CaptureFormatRecord format{};
  format.header.size = sizeof format.header;
  format.header.width = 1280;
  format.header.height = 1024;
  format.header.compression = kNoFormatCompression;
  std::memcpy(too_long.data(), &format, sizeof format);
  ASSERT_TRUE(WriteValue(HKEY_CURRENT_USER, kSettingsPath, "Pin_Data", REG_BINARY,
                         too_long.data(), static_cast<DWORD>(too_long.size())));
  HWND main = StartApp("NoShow");
  ASSERT_NE(nullptr, main);

  RECT work{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  RECT bounds{};
  GetWindowRect(main, &bounds);
  EXPECT_GE(bounds.top, work.top);
  EXPECT_LE(bounds.bottom, work.bottom) << "moved onto the work area, whole as it fits";
  EXPECT_GE(bounds.left, work.left);
  EXPECT_LE(bounds.right, work.right);
  const SIZE panel = WindowSizeOf(PanelOf(main));
  EXPECT_EQ(640, panel.cx) << "the record that does not fit holds no format";
  EXPECT_EQ(480, panel.cy);
}

}  // namespace
}  // namespace kvo
