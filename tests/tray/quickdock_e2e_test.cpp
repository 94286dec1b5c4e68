// quickdock.exe run as a user runs it: started from a program folder with a blank in its
// name, with the recorder standing in for KVO_MAIN.exe, driven through real X input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "device_events.h"
#include "tray_harness.h"

#include <shellapi.h>

#include <dbt.h>

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
    EXPECT_TRUE(WaitForWordCount("NoShow", 1, kStartTimeout));
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
  // The four lines are drawn from (80, 16): ink in the first, third and fourth line bands
  // and none in the empty second one.
  Sleep(300);
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
  EXPECT_GT(ink_rows(16, 100), 12) << "text drawn in the box";
  ClickAt((a.left + a.right) / 2, a.bottom - 4);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) || !IsWindowVisible(about); }, 5000));
  EXPECT_TRUE(quickdock_.Running());
}

TEST_F(QuickdockTest, HotKeySendsOnceUntilTheBusyTickAndAgainAfterIt) {
  RequireXdo();
  Start();
  HWND toolbox = Toolbox();
  ASSERT_NE(nullptr, toolbox);
  // Keys reach Wine only while the pointer is over one of its windows.
  MovePointer(kBarLeft + 22, kBarTop + 110);
  Sleep(300);
  ASSERT_TRUE(Xdo("key alt+s"));
  ASSERT_TRUE(WaitForWordCount("SnapShot", 1, 5000)) << "Alt+S sent nothing";
  Sleep(700);
  // Two quick presses fall within one 500 ms period unless a tick happens to separate
  // them; a missing busy rule sends two every time.
  int ones = 0;
  for (int round = 0; round < 3; ++round) {
    const int before = CountWord("SnapShot");
    ASSERT_TRUE(Xdo("key --delay 0 alt+s alt+s"));
    Sleep(1200);
    const int sent = CountWord("SnapShot") - before;
    EXPECT_GE(sent, 1);
    EXPECT_LE(sent, 2);
    ones += sent == 1 ? 1 : 0;
  }
  EXPECT_GE(ones, 1) << "the second press within one period was never ignored";

  Xdo("key alt+r");
  EXPECT_TRUE(WaitForWordCount("Record", 1, 5000));
  Sleep(700);
  Xdo("key alt+a");
  EXPECT_TRUE(WaitForWordCount("", 1, 5000)) << "RunApp sends the empty word";
  Sleep(700);
  Xdo("key alt+m");
  EXPECT_TRUE(WaitForWordCount("SendMail", 1, 5000));
  Sleep(700);
  Xdo("key alt+p");
  EXPECT_TRUE(WaitForWordCount("Property", 1, 5000));
  Sleep(700);
  Xdo("key alt+t");
  EXPECT_TRUE(WaitForWordCount("Setting", 1, 5000));
}

TEST_F(QuickdockTest, CameraOffAtStartMakesEveryHotKeyAndClickShowTheFnText) {
  RequireXdo();
  SetCameraPower(false);
  Start();
  ASSERT_NE(nullptr, Toolbox());
  MovePointer(kBarLeft + 22, kBarTop + 110);
  Sleep(300);
  for (int press = 0; press < 2; ++press) {
    ASSERT_TRUE(Xdo("key alt+s"));
    EXPECT_EQ(kCameraOffText, AnswerBox("Error", IDOK)) << "press " << press;
    MovePointer(kBarLeft + 22, kBarTop + 110);
  }
  ClickAt(kBarLeft + 22, kBarTop + kButtonCentres[1]);
  EXPECT_EQ(kCameraOffText, AnswerBox("Error Window", IDOK));
  Sleep(600);
  EXPECT_EQ(0, CountWord("SnapShot"));
}

TEST_F(QuickdockTest, PendingButtonSnapshotSendsViewFiveTimesASecondUntilTaken) {
  DriverKeyScope driver;
  ASSERT_TRUE(driver.SetSnapshotState(2));
  Start();
  Sleep(600);
  EXPECT_EQ(0, CountWord("View")) << "state 2 sends nothing";
  ASSERT_TRUE(driver.SetSnapshotState(3));
  ASSERT_TRUE(WaitForWordCount("View", 1, 3000));
  const int first = CountWord("View");
  Sleep(2000);
  const int per_two_seconds = CountWord("View") - first;
  EXPECT_GE(per_two_seconds, 6) << "about ten in two seconds";
  EXPECT_LE(per_two_seconds, 12);
  ASSERT_TRUE(driver.SetSnapshotState(2));
  Sleep(600);
  const int settled = CountWord("View");
  Sleep(1000);
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
  Sleep(800);
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
  ClickAt(kBarLeft + 22, kBarTop + kButtonCentres[2] + 1);
  EXPECT_EQ(kCameraOffText, AnswerBox("Error Window", IDOK));

  ASSERT_TRUE(SwitchCamera(true));
  // Until the arrival has reached quickdock a click still answers with the box.
  const DWORD start = GetTickCount();
  bool recorded = false;
  for (int click = 0; !recorded && GetTickCount() - start < 20000; ++click) {
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
  Start();
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
  for (const POINT& miss : misses) {
    ClickAt(kBarLeft + miss.x, kBarTop + miss.y);
    Sleep(600);
  }
  EXPECT_EQ(1u, RecordedCommandLines().size()) << "only NoShow so far";

  const char* const words[6] = {"", "SnapShot", "Record", "SendMail", "Property", "Setting"};
  for (int button = 0; button < 6; ++button) {
    const int y = kBarTop + kButtonCentres[button];
    const COLORREF before = ScreenPixel(kBarLeft + 4, y);
    MovePointer(kBarLeft + 22, y);
    Sleep(300);
    const COLORREF hot = ScreenPixel(kBarLeft + 4, y);
    EXPECT_EQ(RGB(192, 192, 192), before) << "button " << button + 1 << " normal face";
    EXPECT_EQ(RGB(178, 222, 178), hot) << "button " << button + 1 << " hot face";
    ClickAt(kBarLeft + 22, y);
    EXPECT_TRUE(WaitForWordCount(words[button], 1, 5000)) << "button " << button + 1;
    Sleep(600);
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

  MovePointer(kBarLeft + 22, kBarTop + kButtonCentres[1]);
  Sleep(100);
  MovePointer(kBarLeft + 23, kBarTop + kButtonCentres[1]);
  EXPECT_TRUE(WaitUntil([&] {
    return !VisibleWindows(quickdock_.id(), "tooltips_class32").empty();
  }, 4000)) << "no tip shown over a button";
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
  Sleep(500);
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
  MovePointer((m.left + m.right) / 2, (m.top + m.bottom) / 2);
  Sleep(200);
  Xdo("key w");
  Sleep(300);
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
  Sleep(300);
  EXPECT_EQ(979, WindowRect(toolbox).left) << "stays while the pointer is over it";
  MovePointer(500, 400);
  Sleep(500);
  EXPECT_EQ(979, WindowRect(toolbox).left) << "waits a second after the pointer left";
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(toolbox).left == 1024; }, 3000));

  // The menu's auto-hide item writes one byte without NUL.
  ASSERT_TRUE(touch_right_edge()) << "left " << WindowRect(toolbox).left;
  ClickAt(kBarLeft + 22, kBarTop + 100, 3);
  HWND menu = WaitForPopupMenu(quickdock_.id(), 5000);
  ASSERT_NE(nullptr, menu);
  const RECT m = WindowRect(menu);
  MovePointer((m.left + m.right) / 2, m.top + 8);
  Sleep(200);
  Xdo("key a");
  ASSERT_TRUE(WaitUntil([] { return SettingText("DlgAutoHide") == "N"; }, 3000));
  auto stored = ReadValue(HKEY_CURRENT_USER, kSettingsPath, "DlgAutoHide");
  ASSERT_TRUE(stored);
  EXPECT_EQ(1u, stored->data.size());
  MovePointer(500, 400);
  Sleep(2000);
  EXPECT_EQ(979, WindowRect(toolbox).left) << "auto hide off: the bar stays";
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
