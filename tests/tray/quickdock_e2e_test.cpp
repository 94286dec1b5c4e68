// quickdock.exe run as a user runs it: started from a program folder with a blank in its
// name, with the recorder standing in for KVO_MAIN.exe, driven through real X input.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "device_events.h"
#include "simcam_control.h"
#include "tray_harness.h"

#include <shellapi.h>

#include <dbt.h>
#include <tlhelp32.h>

namespace kvo {
namespace {

using namespace kvo::test;
using kvo::simcam::AnnounceDeviceEvent;
using kvo::simcam::DeviceEvent;

constexpr DWORD kStartTimeout = 20000;
constexpr char kSimCamKey[] = "SOFTWARE\\KvoTestbed\\SimCam";
constexpr char kCameraOffText[] = "Please press Fn+F10 turn on the Camera";
// The docked bar on the right edge of a 1024 x 768 screen.
constexpr int kBarLeft = 979;
constexpr int kBarTop = 150;
// Centres of the six buttons along the bar on the left and right edges.
constexpr int kButtonCentres[6] = {20, 57, 92, 127, 162, 199};

std::string SettingText(const char* name) {
  auto value = ReadValue(HKEY_CURRENT_USER, kSettingsPath, name);
  return value ? value->AsText() : std::string("<missing>");
}

void SetCameraPower(bool on) {
  WriteDword(HKEY_LOCAL_MACHINE, kSimCamKey, "PoweredOn", on ? 1 : 0);
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

// The timers of quickdock's hidden window: the snapshot poll and the end of a busy period.
constexpr WPARAM kSnapshotPollTick = 512;
constexpr WPARAM kCommandBusyTick = 516;
// The toolbox's auto-hide timer.
constexpr WPARAM kAutoHideTick = 514;
constexpr DWORD kStepTimeout = 10000;

// Runs one tick of a timer in quickdock now; when the call returns, the tick was handled.
bool RunTick(HWND main, WPARAM timer) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(main, WM_TIMER, timer, 0, SMTO_NORMAL, kStepTimeout, &result) != 0;
}

// Returns once the window's thread has handled every message sent to it before this one.
bool Flush(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kStepTimeout, &result) != 0;
}

// The image names of the running processes, in one line; empty when none could be read.
std::string RunningPrograms() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return std::string();
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  std::string names;
  for (BOOL more = Process32First(snapshot, &entry); more;
       more = Process32Next(snapshot, &entry)) {
    names += std::string(entry.szExeFile) + " ";
  }
  CloseHandle(snapshot);
  return names;
}

// True once no recorder is running: every word sent so far is in the record.
bool WaitForRecordersToEnd() {
  return WaitUntil(
      [] {
        std::string running = RunningPrograms();
        for (char& c : running) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return !running.empty() && running.find("kvo_main.exe ") == std::string::npos;
      },
      kStepTimeout);
}

// Moves the pointer and waits until Wine knows where it is (keys reach Wine only while the
// pointer is over one of its windows).
bool MovePointerAndWait(int x, int y) {
  if (!MovePointer(x, y)) return false;
  return WaitUntil(
      [&] {
        POINT at = {};
        return GetCursorPos(&at) && at.x == x && at.y == y;
      },
      kStepTimeout);
}

class QuickdockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillAll(kQuickdockImage);
    KillAll("KVO_MAIN.exe");
    ASSERT_TRUE(ResetSettings());
    ASSERT_TRUE(PrepareTrayFolder()) << "copying the programs into " << TrayFolder();
    ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "ProgPath", TrayFolder()));
    SetCameraPower(true);
    if (XdoAvailable()) MovePointer(500, 400);
  }
  void TearDown() override {
    if (quickdock_.started()) quickdock_.Kill();
    KillAll(kQuickdockImage);
    KillAll("KVO_MAIN.exe");
    // A camera switched off with simctl has left the video input category: bring it back.
    if (camera_switched_off_) RunProgram(BinPath("simctl.exe"), "on", 30000);
    DeleteValue(HKEY_LOCAL_MACHINE, kSimCamKey, "PoweredOn");
    ResetSettings();
  }

  // Starts quickdock and waits for its hidden window and its first "NoShow".
  HWND Start() {
    quickdock_ = StartQuickdock();
    EXPECT_TRUE(quickdock_.started());
    HWND main = WaitForQuickdockWindow(quickdock_.id(), kStartTimeout);
    EXPECT_NE(nullptr, main) << "no KVO_CM_Quickdock window";
    if (!WaitForWordCount("NoShow", 1, kStartTimeout)) {
      // Which step of the start stalled: the words so far, and who still runs (camctrl,
      // whose end quickdock waits for before it sends the word).
      std::string words;
      for (const auto& word : RecordedWords()) words += word + " ";
      ADD_FAILURE() << "no NoShow within " << kStartTimeout << " ms; recorded: " << words
                    << "; running: " << RunningPrograms();
    }
    return main;
  }
  HWND Toolbox() { return WaitForToolbox(quickdock_.id(), 5000); }

  // Answers the next message box of quickdock with this caption; returns its text.
  std::string AnswerBox(const char* caption, int button) {
    HWND box = WaitForMessageBox(caption, 10000, quickdock_.id());
    if (box == nullptr) return "<no box>";
    const std::string text = MessageBoxText(box);
    EXPECT_TRUE(PressButton(box, button));
    return text;
  }

  void RequireXdo() {
    ASSERT_TRUE(XdoAvailable()) << "run through tests/tray/run-with-xdotool.sh";
  }

  // Switches the simulated camera (Fn+F10): simctl announces the removal or arrival through
  // the platform's plug-and-play service, which hands it to quickdock's registered window.
  bool SwitchCamera(bool on) {
    if (!on) camera_switched_off_ = true;
    const auto code = RunProgram(BinPath("simctl.exe"), on ? "on" : "off", 30000);
    return code && *code == 0;
  }
  // The platform delivers on its own thread: quickdock has taken a removal once a hot key
  // answers with the camera-off box (a hot key while the camera is on sends a word only for
  // a registered key, and id 0 is none).
  bool WaitUntilCameraOffKnown(HWND main) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 20000) {
      PostMessageA(main, WM_HOTKEY, 0, 0);
      HWND box = WaitForMessageBox("Error", 500, quickdock_.id());
      if (box == nullptr) continue;
      const std::string text = MessageBoxText(box);
      PressButton(box, IDOK);
      return text == kCameraOffText;
    }
    return false;
  }

  Process quickdock_;
  bool camera_switched_off_ = false;
};

TEST_F(QuickdockTest, StartsHiddenWithNoShowAndASecondStartEndsSilently) {
  ASSERT_TRUE(kvo::simcam::ClearReleasesOutsideApartment());
  HWND main = Start();
  ASSERT_NE(nullptr, main);
  EXPECT_FALSE(IsWindowVisible(main));
  auto lines = RecordedCommandLines();
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ("\"" + TrayPath("KVO_MAIN.exe") + "\" NoShow", lines[0])
      << "the program path is quoted, the word follows one blank";

  Process second = StartQuickdock();
  DWORD code = 99;
  ASSERT_TRUE(second.Wait(10000, &code));
  EXPECT_EQ(0u, code);
  EXPECT_EQ(1, CountWord("NoShow")) << "the second start sent nothing";
  EXPECT_TRUE(quickdock_.Running()) << "the first instance is undisturbed";

  EXPECT_EQ("vid_feed&pid_cafe", SettingText("RunningDevice"))
      << "the probe opened the camera through the library, which records the bound camera";
  EXPECT_EQ(0u, kvo::simcam::ReleasesOutsideApartment())
      << "the probe released the camera before it ended COM";
}

TEST_F(QuickdockTest, FirstStartWritesTheBackupOnceAndABrokenKeyIsRestoredOnYes) {
  Start();
  ASSERT_TRUE(WaitForFile(TrayPath("CMREG.reg"), 10000)) << "no backup written";
  auto backup = ReadFileBytes(TrayPath("CMREG.reg"));
  ASSERT_TRUE(backup);
  quickdock_.Kill();

  // A later start never refreshes the backup.
  WriteText(HKEY_CURRENT_USER, kSettingsPath, "ProductVersion", "7.7.7.7");
  ASSERT_TRUE(DeleteValue(HKEY_CURRENT_USER, kSettingsPath, "DlgAlpha"));
  quickdock_ = StartQuickdock();
  EXPECT_EQ("Reg Error,Do you want restore default value?", AnswerBox("Error", IDYES));
  EXPECT_TRUE(WaitUntil([] { return SettingText("DlgAlpha") == "N"; }, 10000))
      << "the backup was imported: DlgAlpha " << SettingText("DlgAlpha");
  EXPECT_TRUE(WaitUntil([] { return SettingText("ProductVersion") == "1.0.0.1"; }, 10000))
      << "the import restores the first key: " << SettingText("ProductVersion");
  EXPECT_TRUE(WaitForWordCount("NoShow", 2, kStartTimeout)) << "start-up went on";
  auto again = ReadFileBytes(TrayPath("CMREG.reg"));
  ASSERT_TRUE(again);
  EXPECT_EQ(*backup, *again);
}

TEST_F(QuickdockTest, RestoreAnsweredNoEndsWithZeroAndStartsNothing) {
  Start();
  ASSERT_TRUE(WaitForFile(TrayPath("CMREG.reg"), 10000));
  quickdock_.Kill();
  ASSERT_TRUE(DeleteValue(HKEY_CURRENT_USER, kSettingsPath, "DlgPosition"));
  quickdock_ = StartQuickdock();
  EXPECT_EQ("Reg Error,Do you want restore default value?", AnswerBox("Error", IDNO));
  DWORD code = 99;
  ASSERT_TRUE(quickdock_.Wait(10000, &code));
  EXPECT_EQ(0u, code);
  EXPECT_EQ(1, CountWord("NoShow"));
  EXPECT_EQ("<missing>", SettingText("DlgPosition")) << "No imports nothing";
}

TEST_F(QuickdockTest, MissingCameraApplicationIsAFatalError) {
  ASSERT_TRUE(DeleteFileA(TrayPath("KVO_MAIN.exe").c_str()));
  quickdock_ = StartQuickdock();
  EXPECT_EQ("Miss component. '" + TrayPath("KVO_MAIN.exe") + "'  Please reinstall this program!",
            AnswerBox("Error", IDOK));
  DWORD code = 99;
  ASSERT_TRUE(quickdock_.Wait(10000, &code));
  EXPECT_EQ(1u, code);
}

// The error boxes of quickdock now on screen.
int ErrorBoxCount(DWORD process_id) {
  struct Search {
    DWORD process_id;
    int count;
  } search = {process_id, 0};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* found = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == found->process_id && IsWindowVisible(window) &&
            ClassName(window) == "#32770" && WindowText(window) == "Error") {
          ++found->count;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.count;
}

TEST_F(QuickdockTest, PendingStillWithoutTheCameraApplicationShowsOneErrorBox) {
  DriverKeyScope driver;
  ASSERT_TRUE(driver.SetSnapshotState(2));
  HWND main = Start();
  ASSERT_NE(nullptr, main);
  // The recorder that took "NoShow" may still be ending.
  ASSERT_TRUE(WaitUntil([] { return DeleteFileA(TrayPath("KVO_MAIN.exe").c_str()) != FALSE; },
                        10000));
  ASSERT_TRUE(driver.SetSnapshotState(3));
  HWND box = WaitForMessageBox("Error", 10000, quickdock_.id());
  ASSERT_NE(nullptr, box) << "the poll found the still but no error was shown";
  EXPECT_EQ("Miss component. '" + TrayPath("KVO_MAIN.exe") + "'  Please reinstall this program!",
            MessageBoxText(box));
  // Each sent tick runs the poll before the call returns; a poll that started the missing
  // program again would open a second box and block there.
  for (int tick = 0; tick < 5; ++tick) {
    DWORD_PTR result = 0;
    EXPECT_NE(0, SendMessageTimeoutA(main, WM_TIMER, 512, 0, SMTO_NORMAL, 10000, &result))
        << "tick " << tick << " did not return";
  }
  EXPECT_EQ(1, ErrorBoxCount(quickdock_.id())) << "one error box at a time";
  ASSERT_TRUE(PressButton(box, IDOK));
  DWORD code = 99;
  ASSERT_TRUE(quickdock_.Wait(10000, &code));
  EXPECT_EQ(1u, code);
}

TEST_F(QuickdockTest, MissingCameraLibraryIsAFatalError) {
  ASSERT_TRUE(DeleteFileA(TrayPath("kvocmdll.dll").c_str()));
  quickdock_ = StartQuickdock();
  EXPECT_EQ("Miss component. 'kvocmdll.dll'  Please reinstall this program!",
            AnswerBox("Error", IDOK));
  DWORD code = 99;
  ASSERT_TRUE(quickdock_.Wait(10000, &code));
  EXPECT_EQ(1u, code);
  EXPECT_EQ(0, CountWord("NoShow"));
}

// Whether the notification area holds quickdock's icon: only an existing icon can be
// modified.
bool TrayIconPresent(HWND main) {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = main;
  data.uID = 1;
  data.uFlags = NIF_TIP;
  std::strcpy(data.szTip, "Oculetto Application");
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

TEST_F(QuickdockTest, TrayIconIsShownAndMenuExitClosesTheApplication) {
  RequireXdo();
  HWND main = Start();
  ASSERT_NE(nullptr, main);
  EXPECT_TRUE(TrayIconPresent(main));
  MovePointer(500, 400);
  PostMessageA(main, kTrayNotify, 1, WM_RBUTTONUP);
  HWND menu = WaitForPopupMenu(quickdock_.id(), 5000);
  ASSERT_NE(nullptr, menu) << "no tray menu";
  const RECT r = WindowRect(menu);
  ClickAt((r.left + r.right) / 2, r.bottom - 8);  // "E&xit" is the last item
  DWORD code = 99;
  ASSERT_TRUE(quickdock_.Wait(10000, &code)) << "Exit did not end quickdock";
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(WaitForWordCount("Close", 1, 5000));
  EXPECT_EQ("Close", RecordedWords().back());
  // Wine drops the icons of a destroyed window by itself, so whether quickdock removed its
  // icon before it ended cannot be seen from here.
}

TEST_F(QuickdockTest, AboutBoxOpensFromTheTrayMenuAndClosesOnClick) {
  RequireXdo();
  HWND main = Start();
  ASSERT_NE(nullptr, main);
  MovePointer(300, 300);
  PostMessageA(main, kTrayNotify, 1, WM_RBUTTONUP);
  HWND menu = WaitForPopupMenu(quickdock_.id(), 5000);
  ASSERT_NE(nullptr, menu);
  const RECT m = WindowRect(menu);
  const int item_height = (m.bottom - m.top - 8) / 3;  // two items above a thin separator
  ClickAt((m.left + m.right) / 2, m.top + 4 + item_height + item_height / 2 - 2);
  HWND about = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    about = FindAboutBox(quickdock_.id());
    return about != nullptr;
  }, 5000)) << "no About box";
  const RECT a = WindowRect(about);
  EXPECT_NEAR(512, (a.left + a.right) / 2, 2) << "centred";
  bool has_picture = false;
  for (HWND child : ChildWindows(about))
    has_picture |= ClassName(child) == "Static" &&
                   (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
  EXPECT_TRUE(has_picture);
  HWND text = GetDlgItem(about, 1001);
  ASSERT_NE(nullptr, text) << "no text in the About box";
  EXPECT_EQ("Version Infomation\n\nOculetto Application\nV 1.0.0.1\n", WindowText(text))
      << "the four lines: the title, an empty line, the program, its version";
  const RECT t = WindowRect(text);
  EXPECT_EQ(80, t.left - a.left - 1) << "the text starts 80 pixels into the box";
  // Ink where the lines are drawn, once the box has painted.
  POINT origin = {0, 0};
  ClientToScreen(about, &origin);
  auto ink_rows = [&](int top, int bottom) {
    int rows = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = 80; x < 200; ++x) {
        if (GetRValue(ScreenPixel(origin.x + x, origin.y + y)) < 100) {
          ++rows;
          break;
        }
      }
    }
    return rows;
  };
  EXPECT_TRUE(WaitUntil([&] { return ink_rows(16, 100) > 12; }, kStepTimeout))
      << "text drawn in the box";
  ClickAt((a.left + a.right) / 2, a.bottom - 4);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) || !IsWindowVisible(about); }, 5000));
  EXPECT_TRUE(quickdock_.Running());
}

TEST_F(QuickdockTest, HotKeySendsOnceUntilTheBusyTickAndAgainAfterIt) {
  RequireXdo();
  HWND main = Start();
  HWND toolbox = Toolbox();
  ASSERT_NE(nullptr, toolbox);
  ASSERT_TRUE(MovePointerAndWait(kBarLeft + 22, kBarTop + 110));
  ASSERT_TRUE(Xdo("key alt+s"));
  ASSERT_TRUE(WaitForWordCount("SnapShot", 1, 5000)) << "Alt+S sent nothing";
  // Two quick presses fall within one 500 ms period unless a tick happens to separate
  // them; a missing busy rule sends two every time. Alt+R, pressed until a tick lets it
  // through, comes after both presses: once it is recorded, both were handled.
  int ones = 0;
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(RunTick(main, kCommandBusyTick));
    const int before = CountWord("SnapShot");
    const int records = CountWord("Record");
    ASSERT_TRUE(Xdo("key --delay 0 alt+s alt+s"));
    ASSERT_TRUE(WaitUntil(
        [&] {
          Xdo("key alt+r");
          return WaitForWordCount("Record", records + 1, 300);
        },
        kStepTimeout))
        << "round " << round;
    ASSERT_TRUE(WaitForRecordersToEnd());
    const int sent = CountWord("SnapShot") - before;
    EXPECT_GE(sent, 1);
    EXPECT_LE(sent, 2);
    ones += sent == 1 ? 1 : 0;
  }
  EXPECT_GE(ones, 1) << "the second press within one period was never ignored";

  // After a busy tick each key sends its word.
  const struct {
    const char* keys;
    const char* word;
  } keys[] = {{"alt+a", ""}, {"alt+m", "SendMail"}, {"alt+p", "Property"}, {"alt+t", "Setting"}};
  for (const auto& key : keys) {
    ASSERT_TRUE(RunTick(main, kCommandBusyTick));
    Xdo(std::string("key ") + key.keys);
    EXPECT_TRUE(WaitForWordCount(key.word, 1, 5000)) << key.keys;
  }
}

TEST_F(QuickdockTest, CameraOffAtStartMakesEveryHotKeyAndClickShowTheFnText) {
  RequireXdo();
  SetCameraPower(false);
  Start();
  ASSERT_NE(nullptr, Toolbox());
  ASSERT_TRUE(MovePointerAndWait(kBarLeft + 22, kBarTop + 110));
  for (int press = 0; press < 2; ++press) {
    ASSERT_TRUE(Xdo("key alt+s"));
    EXPECT_EQ(kCameraOffText, AnswerBox("Error", IDOK)) << "press " << press;
    MovePointer(kBarLeft + 22, kBarTop + 110);
  }
  ClickAt(kBarLeft + 22, kBarTop + kButtonCentres[1]);
  EXPECT_EQ(kCameraOffText, AnswerBox("Error Window", IDOK));
  // Each box came instead of a word: no recorder was started for any of them.
  ASSERT_TRUE(WaitForRecordersToEnd());
  EXPECT_EQ(0, CountWord("SnapShot"));
}

TEST_F(QuickdockTest, PendingButtonSnapshotSendsViewFiveTimesASecondUntilTaken) {
  DriverKeyScope driver;
  ASSERT_TRUE(driver.SetSnapshotState(2));
  HWND main = Start();
  ASSERT_NE(nullptr, main);
  // Polls run now and handled before the calls return; any word they sent has been
  // recorded once no recorder runs.
  ASSERT_TRUE(RunTick(main, kSnapshotPollTick));
  ASSERT_TRUE(RunTick(main, kSnapshotPollTick));
  ASSERT_TRUE(WaitForRecordersToEnd());
  EXPECT_EQ(0, CountWord("View")) << "state 2 sends nothing";

  ASSERT_TRUE(driver.SetSnapshotState(3));
  ASSERT_TRUE(WaitForWordCount("View", 1, 3000));
  const int first = CountWord("View");
  const DWORD start = GetTickCount();
  ASSERT_TRUE(WaitForWordCount("View", first + 10, 20000)) << "the poll goes on while pending";
  // Ten more Views take nine poll periods of 200 ms at least; a poll without its timer
  // (or one per message) would be faster.
  EXPECT_GE(GetTickCount() - start, 1500u);

  ASSERT_TRUE(driver.SetSnapshotState(2));
  ASSERT_TRUE(RunTick(main, kSnapshotPollTick));
  ASSERT_TRUE(WaitForRecordersToEnd());
  const int settled = CountWord("View");
  ASSERT_TRUE(RunTick(main, kSnapshotPollTick));
  ASSERT_TRUE(RunTick(main, kSnapshotPollTick));
  ASSERT_TRUE(WaitForRecordersToEnd());
  EXPECT_EQ(settled, CountWord("View")) << "state 2 stops the poll's words";
}

TEST_F(QuickdockTest, ConsoleDisconnectAndReconnectSwitchTheCamera) {
  HWND main = Start();
  ASSERT_NE(nullptr, main);
  SendMessageA(main, WM_WTSSESSION_CHANGE, 2, 0);
  EXPECT_TRUE(WaitForWordCount("disable", 1, 5000));
  SendMessageA(main, WM_WTSSESSION_CHANGE, 1, 0);
  EXPECT_TRUE(WaitForWordCount("enable", 1, 5000));
  // Lock and unlock are not acted on.
  SendMessageA(main, WM_WTSSESSION_CHANGE, 7, 0);
  SendMessageA(main, WM_WTSSESSION_CHANGE, 8, 0);
  // A disconnect while the camera is off sends nothing, nor does the reconnect after it.
  ASSERT_TRUE(FileExists(BinPath("simctl.exe"))) << "simctl.exe is built with the tests";
  ASSERT_TRUE(SwitchCamera(false));
  ASSERT_TRUE(WaitUntilCameraOffKnown(main)) << "the removal reached quickdock";
  SendMessageA(main, WM_WTSSESSION_CHANGE, 2, 0);
  SendMessageA(main, WM_WTSSESSION_CHANGE, 1, 0);
  // The sent messages were handled before the calls returned.
  ASSERT_TRUE(WaitForRecordersToEnd());
  EXPECT_EQ(1, CountWord("disable"));
  EXPECT_EQ(1, CountWord("enable"));
}

TEST_F(QuickdockTest, UsbRemovalAndArrivalOfTheCameraSwitchTheToolbox) {
  RequireXdo();
  HWND main = Start();
  ASSERT_NE(nullptr, main);
  ASSERT_NE(nullptr, Toolbox());
  ASSERT_TRUE(FileExists(BinPath("simctl.exe"))) << "simctl.exe is built with the tests";
  // Another device's removal changes nothing.
  AnnounceDeviceEvent(DeviceEvent::kRemoveComplete, 2000,
                      "\\\\?\\USB#VID_1234&PID_5678#X#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
  ClickAt(kBarLeft + 22, kBarTop + kButtonCentres[2]);
  ASSERT_TRUE(WaitForWordCount("Record", 1, 5000));

  ASSERT_TRUE(SwitchCamera(false));
  ASSERT_TRUE(WaitUntilCameraOffKnown(main)) << "the removal reached quickdock";
  ASSERT_TRUE(RunTick(main, kCommandBusyTick));
  ClickAt(kBarLeft + 22, kBarTop + kButtonCentres[2] + 1);
  EXPECT_EQ(kCameraOffText, AnswerBox("Error Window", IDOK));

  ASSERT_TRUE(SwitchCamera(true));
  // Until the arrival has reached quickdock a click still answers with the box.
  const DWORD start = GetTickCount();
  bool recorded = false;
  for (int click = 0; !recorded && GetTickCount() - start < 20000; ++click) {
    ASSERT_TRUE(RunTick(main, kCommandBusyTick));
    ClickAt(kBarLeft + 22, kBarTop + kButtonCentres[2] + click % 2);
    recorded = WaitForWordCount("Record", 2, 1000);
    if (!recorded) {
      HWND box = WaitForMessageBox("Error Window", 1000, quickdock_.id());
      if (box != nullptr) PressButton(box, IDOK);
    }
  }
  EXPECT_TRUE(recorded) << "arrival switched the camera on";
}

TEST_F(QuickdockTest, ToolboxSitsOnTheRightEdgeAndEachButtonSendsItsWord) {
  RequireXdo();
  HWND main = Start();
  HWND toolbox = Toolbox();
  ASSERT_NE(nullptr, toolbox);
  const DWORD shown = GetTickCount();
  WaitUntil([&] { return WindowRect(toolbox).left == 979; }, 3000);
  const RECT r = WindowRect(toolbox);
  std::printf("placed %lu ms after it became visible\n", GetTickCount() - shown);
  EXPECT_EQ(979, r.left);
  EXPECT_EQ(150, r.top);
  EXPECT_EQ(1024, r.right);
  EXPECT_EQ(369, r.bottom);
  EXPECT_TRUE(GetWindowLongA(toolbox, GWL_EXSTYLE) & WS_EX_TOPMOST);

  // Places that hit no button: along 215, across 5 and across 38.
  const POINT misses[] = {{22, 215}, {5, 100}, {38, 100}, {22, 3}};
  for (const POINT& miss : misses) ClickAt(kBarLeft + miss.x, kBarTop + miss.y);

  const char* const words[6] = {"", "SnapShot", "Record", "SendMail", "Property", "Setting"};
  for (int button = 0; button < 6; ++button) {
    const int y = kBarTop + kButtonCentres[button];
    const COLORREF before = ScreenPixel(kBarLeft + 4, y);
    MovePointer(kBarLeft + 22, y);
    EXPECT_EQ(RGB(192, 192, 192), before) << "button " << button + 1 << " normal face";
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(kBarLeft + 4, y) == RGB(178, 222, 178); },
                          kStepTimeout))
        << "button " << button + 1 << " hot face: " << std::hex << ScreenPixel(kBarLeft + 4, y);
    ClickAt(kBarLeft + 22, y);
    EXPECT_TRUE(WaitForWordCount(words[button], 1, 5000)) << "button " << button + 1;
    if (button == 0) {
      // The clicks that hit no button came before this one and were handled first.
      ASSERT_TRUE(WaitForRecordersToEnd());
      EXPECT_EQ(2u, RecordedCommandLines().size()) << "the misses sent nothing";
    }
    ASSERT_TRUE(RunTick(main, kCommandBusyTick));
  }
  EXPECT_EQ(7u, RecordedCommandLines().size());
}

TEST_F(QuickdockTest, HoverShowsATipAndTransparencyKeysOutTheSilver) {
  RequireXdo();
  WriteText(HKEY_CURRENT_USER, kSettingsPath, "DlgAlpha", "Y");
  Start();
  HWND toolbox = Toolbox();
  ASSERT_NE(nullptr, toolbox);
  ASSERT_TRUE(WaitUntil([&] { return WindowRect(toolbox).left == 979; }, 3000));
  EXPECT_TRUE(GetWindowLongA(toolbox, GWL_EXSTYLE) & WS_EX_LAYERED);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  if (GetLayeredWindowAttributes(toolbox, &key, &alpha, &flags)) {
    EXPECT_EQ(RGB(192, 192, 192), key);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY), flags) << "colour key only, no constant alpha";
  } else {
    ADD_FAILURE() << "layered attributes not readable: error " << GetLastError();
  }
  // The silver face is see-through; the picture in the middle of a button is not.
  const int y = kBarTop + kButtonCentres[5];
  EXPECT_NE(RGB(192, 192, 192), ScreenPixel(kBarLeft + 4, y));

  ASSERT_TRUE(MovePointerAndWait(kBarLeft + 22, kBarTop + kButtonCentres[1]));
  MovePointer(kBarLeft + 23, kBarTop + kButtonCentres[1]);
  std::string tip = "<no tip>";
  EXPECT_TRUE(WaitUntil([&] {
    const std::vector<HWND> tips = VisibleWindows(quickdock_.id(), "tooltips_class32");
    if (tips.empty()) return false;
    tip = WindowText(tips.front());
    return tip == "Snapshot";
  }, kStepTimeout)) << "the tip over button 2 reads: " << tip;
}

TEST_F(QuickdockTest, BarReturnsToItsPlaceExceptOnAnEightBitDisplay) {
  HWND main = Start();
  ASSERT_NE(nullptr, main);
  HWND toolbox = Toolbox();
  ASSERT_NE(nullptr, toolbox);
  auto left_is = [&](int x) { return WaitUntil([&] { return WindowRect(toolbox).left == x; }, 2000); };
  ASSERT_TRUE(left_is(979));
  const UINT move = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(toolbox, nullptr, 300, 300, 0, 0, move);
  EXPECT_TRUE(left_is(979)) << "the user cannot move the bar";

  SendMessageA(main, WM_DISPLAYCHANGE, 8, MAKELPARAM(1024, 768));
  SetWindowPos(toolbox, nullptr, 300, 300, 0, 0, move);
  ASSERT_TRUE(Flush(toolbox)) << "the move has been handled";
  EXPECT_EQ(300, WindowRect(toolbox).left) << "at 8 bits per pixel the bar may be moved";

  SendMessageA(main, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768));
  SetWindowPos(toolbox, nullptr, 310, 310, 0, 0, move);
  EXPECT_TRUE(left_is(979)) << "back in place once the depth changed";
  EXPECT_EQ(150, WindowRect(toolbox).top);
}

TEST_F(QuickdockTest, OnTopWritesThreeBytesAndReopensTheBarAtTheTop) {
  RequireXdo();
  Start();
  HWND toolbox = Toolbox();
  ASSERT_NE(nullptr, toolbox);
  ClickAt(kBarLeft + 22, kBarTop + 100, 3);
  HWND menu = WaitForPopupMenu(quickdock_.id(), 5000);
  ASSERT_NE(nullptr, menu) << "no toolbox menu";
  const RECT m = WindowRect(menu);
  ASSERT_TRUE(MovePointerAndWait((m.left + m.right) / 2, (m.top + m.bottom) / 2));
  Xdo("key w");
  EXPECT_TRUE(WaitUntil([&] { return VisibleWindows(quickdock_.id(), "#32768").size() >= 2; },
                        kStepTimeout))
      << "the position submenu did not open";
  Xdo("key t");
  HWND bar = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    bar = FindToolbox(quickdock_.id());
    return bar != nullptr && WindowRect(bar).top == 0 && WindowRect(bar).left != 0;
  }, 5000)) << "no bar at the top";
  const RECT r = WindowRect(bar);
  EXPECT_EQ(624, r.left);
  EXPECT_EQ(219, r.right - r.left);
  EXPECT_EQ(45, r.bottom - r.top);
  auto stored = ReadValue(HKEY_CURRENT_USER, kSettingsPath, "DlgPosition");
  ASSERT_TRUE(stored);
  EXPECT_EQ(REG_SZ, stored->type);
  EXPECT_EQ(std::string("TOP"), std::string(stored->data.begin(), stored->data.end()))
      << "3 bytes without NUL";

  // The top bar's buttons: button 2 sends "SnapShot".
  ClickAt(624 + 39 + 17, 22);
  EXPECT_TRUE(WaitForWordCount("SnapShot", 1, 5000));
}

TEST_F(QuickdockTest, AutoHideSlidesOutAfterLeavingAndTheEdgeBringsItBack) {
  RequireXdo();
  WriteText(HKEY_CURRENT_USER, kSettingsPath, "DlgAutoHide", "Y", false);
  Start();
  HWND toolbox = Toolbox();
  ASSERT_NE(nullptr, toolbox);
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(toolbox).left == 1024; }, 4000))
      << "not hidden: left " << WindowRect(toolbox).left;
  // Over no window of its own, Wine learns the pointer's place from the X server only
  // now and then; a second touch along the edge is what a user would do too.
  auto touch_right_edge = [&] {
    for (int y : {250, 260, 270}) {
      MovePointer(1023, y);
      if (WaitUntil([&] { return WindowRect(toolbox).left == 979; }, 1500)) return true;
    }
    return false;
  };
  EXPECT_TRUE(touch_right_edge())
      << "the edge did not bring it back: left " << WindowRect(toolbox).left;
  ASSERT_TRUE(Flush(toolbox));
  EXPECT_EQ(979, WindowRect(toolbox).left) << "stays while the pointer is over it";
  ASSERT_TRUE(MovePointerAndWait(500, 400));
  ASSERT_TRUE(Flush(toolbox));
  EXPECT_EQ(979, WindowRect(toolbox).left) << "leaving alone does not hide it: its timer does";
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(toolbox).left == 1024; }, 3000));

  // The menu's auto-hide item writes one byte without NUL.
  ASSERT_TRUE(touch_right_edge()) << "left " << WindowRect(toolbox).left;
  ClickAt(kBarLeft + 22, kBarTop + 100, 3);
  HWND menu = WaitForPopupMenu(quickdock_.id(), 5000);
  ASSERT_NE(nullptr, menu);
  const RECT m = WindowRect(menu);
  ASSERT_TRUE(MovePointerAndWait((m.left + m.right) / 2, m.top + 8));
  Xdo("key a");
  ASSERT_TRUE(WaitUntil([] { return SettingText("DlgAutoHide") == "N"; }, 3000));
  auto stored = ReadValue(HKEY_CURRENT_USER, kSettingsPath, "DlgAutoHide");
  ASSERT_TRUE(stored);
  EXPECT_EQ(1u, stored->data.size());
  ASSERT_TRUE(MovePointerAndWait(500, 400));
  ASSERT_TRUE(RunTick(toolbox, kAutoHideTick));
  EXPECT_EQ(979, WindowRect(toolbox).left) << "auto hide off: its tick leaves the bar";
}

TEST_F(QuickdockTest, RunsWithTheRealCameraApplication) {
  const std::string real = BinPath("KVO_MAIN.exe");
  ASSERT_TRUE(FileExists(real)) << "KVO_MAIN.exe is built with the tests";
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "ProgPath", BinDir()));
  quickdock_ = StartQuickdock();
  HWND main = WaitForQuickdockWindow(quickdock_.id(), kStartTimeout);
  ASSERT_NE(nullptr, main);
  HWND app = WaitForWindow("TKVO_CM_MAIN", nullptr, kStartTimeout);
  ASSERT_NE(nullptr, app) << "NoShow started the camera application";
  EXPECT_FALSE(IsWindowVisible(app)) << "it waits hidden";
  // Destroying the hidden window is what the tray menu's Exit does; a WM_CLOSE from
  // outside ends in the same shutdown.
  PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(quickdock_.Wait(10000, &code));
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(WaitUntil([] { return FindTopWindow("TKVO_CM_MAIN", nullptr) == nullptr; }, 15000))
      << "Close ended the camera application";
}

}  // namespace
}  // namespace kvo
