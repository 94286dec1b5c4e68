// The settings window in-process, on a capture panel with the simulated camera: its design,
// what it reads from and writes to the settings key, the folder buttons, the counters, the
// capture-audio option and the stream format that resizes the main window.
#include "setting_form.h"
#include "property_form_controls.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "capture_test_window.h"
#include "e2e.h"
#include "property_form.h"
#include "setting_form_host.h"
#include "simcam_control.h"
#include "skin_data.h"
#include "tdirectshow.h"

namespace kvo {
namespace {

// The ids of the running file browser processes (the shell's "Open" of a folder starts one).
std::set<DWORD> FileBrowserProcesses() {
  std::set<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (_stricmp(entry.szExeFile, "explorer.exe") == 0) ids.insert(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return ids;
}

// Waits for a file browser that was not running before and ends it (it would outlive the
// test and keep its output open); false when none came.
bool EndNewFileBrowser(const std::set<DWORD>& before) {
  DWORD started = 0;
  const bool came = test::WaitUntil(
      [&] {
        for (DWORD id : FileBrowserProcesses()) {
          if (before.count(id) == 0) started = id;
        }
        return started != 0;
      },
      10000);
  if (!came) return false;
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, started);
  if (process == nullptr) return true;
  TerminateProcess(process, 0);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
  return true;
}


using test::PumpUntil;

constexpr char kVendor[] = "feed";
constexpr char kProduct[] = "cafe";

// The main window as the settings window sees it: a top-level window holding the panel.
class TestHost : public SettingFormHost {
 public:
  TestHost() : panel(window.handle()) { MoveWindow(panel.Handle(), 0, 0, 640, 480, TRUE); }
  TDirectShow& DirectShow1() override { return panel; }
  HWND MainWindowHandle() const override { return window.handle(); }
  void ShowMainWindow() override { ShowWindow(window.handle(), SW_SHOW); }
  void PreviewBtnClick() override {
    ++preview_switches;
    if (panel.GetReady()) {
      panel.Close();
      return;
    }
    panel.InitRunCapture(kVendor, kProduct, false);
    if (panel.GetReady()) panel.Run();
  }
  void DisableRecTimer() override { ++rec_timer_disabled; }
  void UpdateRecordingStatus() override { ++status_updates; }

  test::TestWindow window;
  TDirectShow panel;
  int preview_switches = 0;
  int rec_timer_disabled = 0;
  int status_updates = 0;
};

// Waits on its own thread for a dialog (class "#32770") with this caption, keeps the texts
// of its static controls, and lets act close it.
class DialogWatcher {
 public:
  DialogWatcher(const char* caption, std::function<void(HWND)> act)
      : caption_(caption), act_(std::move(act)) {
    thread_ = std::thread([this] { Watch(); });
  }
  ~DialogWatcher() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  bool seen() const { return seen_; }
  const std::vector<std::string>& texts() const { return texts_; }
  std::string AllTexts() const {
    std::string all;
    for (const auto& t : texts_) all += "[" + t + "] ";
    return all;
  }
  bool HasText(const std::string& text) const {
    for (const auto& t : texts_) {
      if (t == "Static:" + text) return true;
    }
    return false;
  }

 private:
  void Watch() {
    HWND dialog = test::WaitForWindow("#32770", caption_, 20000, GetCurrentProcessId());
    if (dialog == nullptr) return;
    // A dialog is shown once its texts are set.
    test::WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 10000);
    for (HWND child : test::ChildWindows(dialog)) {
      texts_.push_back(test::ClassName(child) + ":" + test::WindowText(child));
    }
    seen_ = true;
    act_(dialog);
  }
  const char* caption_;
  std::function<void(HWND)> act_;
  std::thread thread_;
  std::atomic<bool> seen_{false};
  std::vector<std::string> texts_;
};

std::string StoredText(const char* name) {
  const auto value = test::ReadValue(HKEY_CURRENT_USER, test::kSettingsPath, name);
  return value ? value->AsText() : std::string("<absent>");
}

std::string Bounds(const toolkit::Control& control) {
  const toolkit::Rect r = control.Bounds();
  char text[64];
  snprintf(text, sizeof text, "%d,%d %dx%d", r.left, r.top, r.width, r.height);
  return text;
}

RECT WindowRectOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

RECT ChildRectOf(HWND child) {
  RECT rect = WindowRectOf(child);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class SettingFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(simcam::ResetCamera()) << "the simulated camera cannot be reset";
    ASSERT_TRUE(test::ResetSettings()) << "the settings key cannot be reset";
    host_ = std::make_unique<TestHost>();
  }
  void TearDown() override {
    form_.reset();
    if (host_) host_->panel.Close();
    host_.reset();
    simcam::ResetCamera();
    test::ResetSettings();
  }
  void CreateForm(const toolkit::SkinData* skin = nullptr) {
    form_ = std::make_unique<TSettingForm>(GetModuleHandleA(nullptr), *host_, skin);
    ASSERT_TRUE(form_->Create());
  }
  // Chooses an entry of a drop-down list as a user does: selection, then the notification.
  void UserChooses(toolkit::DropDownList& list, int index) {
    list.SetItemIndex(index);
    HWND combo = list.hwnd();
    SendMessageA(GetParent(combo), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  }

  std::unique_ptr<TestHost> host_;
  std::unique_ptr<TSettingForm> form_;
};

TEST_F(SettingFormTest, DesignedWindowAndFirstStartFillsThePictureFolder) {
  test::DeleteValue(HKEY_CURRENT_USER, test::kSettingsPath, "FilePath");
  ASSERT_EQ("<absent>", StoredText("FilePath"));
  ASSERT_TRUE(test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "Compressor",
                              "Uninstalled Codec"));
  CreateForm();
  HWND window = form_->hwnd();
  EXPECT_EQ("TSettingForm", test::ClassName(window));
  EXPECT_EQ("Setting", test::WindowText(window));
  EXPECT_FALSE(IsWindowVisible(window)) << "the window is created hidden";
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(355, client.right);
  EXPECT_EQ(190, client.bottom);

  // A drop-down list's height is its closed height, which the platform chooses.
  EXPECT_EQ("111,14 218", Bounds(form_->ComboBox1).substr(0, 10));
  EXPECT_EQ("111,38 218", Bounds(form_->AudioList).substr(0, 10));
  EXPECT_EQ("40,66 288x18", Bounds(form_->PathEdit));
  EXPECT_EQ("112,99 103x27", Bounds(form_->ChangePath));
  EXPECT_EQ("224,96 33x30", Bounds(form_->FileExplore));
  EXPECT_EQ("259,96 33x30", Bounds(form_->PinSetBtn));
  EXPECT_EQ("294,96 33x30", Bounds(form_->ResetCount));
  EXPECT_EQ("8,128 177x25", Bounds(form_->ShowImgCB));
  EXPECT_EQ("216,128 97x25", Bounds(form_->Chk_CapAudio));
  EXPECT_EQ("Select Image Folder", form_->ChangePath.Caption());
  EXPECT_EQ("Browse Files", form_->FileExplore.Hint());
  EXPECT_EQ("Stream Format", form_->PinSetBtn.Hint());
  EXPECT_EQ("Clear File Counters", form_->ResetCount.Hint());
  EXPECT_EQ("&Show Image after snapshot", form_->ShowImgCB.Caption());
  EXPECT_EQ("&Capture Audio", form_->Chk_CapAudio.Caption());
  EXPECT_EQ("Record Compressor", form_->CompressorLabel.Caption());
  EXPECT_EQ("Audio Device", form_->AudioLabel.Caption());
  EXPECT_EQ("Path:", form_->PathLabel.Caption());
  EXPECT_FALSE(form_->ShowImageChecked());
  EXPECT_TRUE(form_->CaptureAudioChecked());
  EXPECT_EQ(0, GetWindowLongA(form_->PathEdit.hwnd(), GWL_STYLE) & WS_TABSTOP);
  EXPECT_NE(0, GetWindowLongA(form_->ComboBox1.hwnd(), GWL_STYLE) & WS_TABSTOP);
  EXPECT_NE(nullptr, form_->FileExplore.Picture()) << "the button picture was not linked in";
  EXPECT_NE(nullptr, form_->PinSetBtn.Picture());
  EXPECT_NE(nullptr, form_->ResetCount.Picture());
  // Tab order: the controls follow each other in the designed order.
  const std::vector<HWND> order = {
      form_->ComboBox1.hwnd(),   form_->AudioList.hwnd(), form_->PathEdit.hwnd(),
      form_->ChangePath.hwnd(),  form_->FileExplore.hwnd(), form_->PinSetBtn.hwnd(),
      form_->ResetCount.hwnd(),  form_->ShowImgCB.hwnd(), form_->Chk_CapAudio.hwnd()};
  for (size_t i = 1; i < order.size(); ++i) {
    EXPECT_EQ(order[i], GetWindow(order[i - 1], GW_HWNDNEXT)) << "tab position " << i;
  }

  // The picture folder fills the empty path, in the field and in the key.
  wchar_t pictures[MAX_PATH] = {};
  ASSERT_HRESULT_SUCCEEDED(
      SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures));
  std::string expected(pictures, pictures + wcslen(pictures));
  EXPECT_EQ(expected, form_->PathText());
  const auto stored = test::ReadValue(HKEY_CURRENT_USER, test::kSettingsPath, "FilePath");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored->type);
  EXPECT_EQ(expected.size() + 1, stored->data.size()) << "written with its terminating NUL";
  EXPECT_EQ(expected, stored->AsText());

  // An uninstalled compressor: no selection, and the panel gets the name all the same.
  EXPECT_EQ("No Compress", form_->ComboBox1.Item(0));
  EXPECT_EQ(-1, form_->ComboBox1.ItemIndex());
  EXPECT_EQ("Uninstalled Codec", host_->panel.CompressorName);
  StringList audio;
  host_->panel.GetAudioDeviceList(audio);
  EXPECT_EQ(static_cast<int>(audio.size()), form_->AudioList.Count());
  EXPECT_EQ(audio.empty() ? -1 : 0, form_->AudioList.ItemIndex());
}

TEST_F(SettingFormTest, ChosenCompressorIsStoredAndSelectedAtTheNextStart) {
  CreateForm();
  UserChooses(form_->ComboBox1, 0);
  EXPECT_EQ("No Compress", host_->panel.CompressorName);
  const auto stored = test::ReadValue(HKEY_CURRENT_USER, test::kSettingsPath, "Compressor");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(12u, stored->data.size()) << "\"No Compress\" with its NUL";
  EXPECT_EQ("No Compress", stored->AsText());
  form_.reset();
  CreateForm();
  EXPECT_EQ(0, form_->ComboBox1.ItemIndex());

  if (form_->ComboBox1.Count() < 2) GTEST_SKIP() << "no video compressor installed";
  const int last = form_->ComboBox1.Count() - 1;
  const std::string name = form_->ComboBox1.Item(last);
  UserChooses(form_->ComboBox1, last);
  EXPECT_EQ(name, StoredText("Compressor"));
  EXPECT_EQ(name, host_->panel.CompressorName);
  form_.reset();
  CreateForm();
  EXPECT_EQ(name, form_->ComboBox1.Text());
  EXPECT_EQ(name, host_->panel.CompressorName);
}

TEST_F(SettingFormTest, AudioChoiceAndCaptureAudioReachThePanel) {
  CreateForm();
  host_->panel.AudioIndex = 7;
  UserChooses(form_->AudioList, -1);
  EXPECT_EQ(-1, host_->panel.AudioIndex);
  if (form_->AudioList.Count() > 0) {
    UserChooses(form_->AudioList, form_->AudioList.Count() - 1);
    EXPECT_EQ(form_->AudioList.Count() - 1, host_->panel.AudioIndex);
  }

  host_->panel.CaptureAudio = true;
  form_->Chk_CapAudio.SetChecked(false);
  EXPECT_FALSE(host_->panel.CaptureAudio);
  form_->Chk_CapAudio.SetChecked(true);
  EXPECT_TRUE(host_->panel.CaptureAudio);
  // During a recording the option stays as the recording started.
  host_->panel.InRecord = true;
  form_->Chk_CapAudio.SetChecked(false);
  EXPECT_TRUE(host_->panel.CaptureAudio);
  host_->panel.InRecord = false;
  form_->EnableCaptureAudio(false);
  EXPECT_FALSE(IsWindowEnabled(form_->Chk_CapAudio.hwnd()));
  form_->EnableCaptureAudio(true);
  EXPECT_TRUE(IsWindowEnabled(form_->Chk_CapAudio.hwnd()));
}

TEST_F(SettingFormTest, CountersAreResetAndFoldersCreatedOrReported) {
  ASSERT_TRUE(test::WriteDword(HKEY_CURRENT_USER, test::kSettingsPath, "AviCounter", 41));
  ASSERT_TRUE(test::WriteDword(HKEY_CURRENT_USER, test::kSettingsPath, "JpgCounter", 999999));
  CreateForm();
  form_->ResetCount.Click();
  for (const char* name : {"AviCounter", "JpgCounter"}) {
    const auto value = test::ReadValue(HKEY_CURRENT_USER, test::kSettingsPath, name);
    ASSERT_TRUE(value.has_value()) << name;
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value->type) << name;
    EXPECT_EQ(0u, value->AsDword().value_or(1)) << name;
  }

  // A folder under a file cannot be made: the error box, and nothing is opened.
  const std::string blocker = test::BinPath("setting-test-blocker.txt");
  ASSERT_TRUE(test::WriteFileBytes(blocker, "x", 1));
  form_->PathEdit.SetText(blocker + "\\stills");
  {
    DialogWatcher box("Oculetto Application",
                      [](HWND dialog) { test::PressButton(dialog, IDOK); });
    form_->FileExplore.Click();
    box.Join();
    ASSERT_TRUE(box.seen()) << "no error box";
    EXPECT_TRUE(box.HasText("Cannot create directory."));
  }
  EXPECT_FALSE(test::FileExists(blocker + "\\stills"));

  // A missing folder is made with its missing parents.
  char unique[32];
  snprintf(unique, sizeof unique, "%lu", GetTickCount());
  const std::string nested = test::BinPath(std::string("setting-test-") + unique) + "\\a\\b";
  form_->PathEdit.SetText(nested);
  const std::set<DWORD> browsers = FileBrowserProcesses();
  form_->FileExplore.Click();
  EXPECT_TRUE(EndNewFileBrowser(browsers)) << "the folder was not opened in the file browser";
  const DWORD attributes = GetFileAttributesA(nested.c_str());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes) << nested;
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(SettingFormTest, CancelledFolderBrowserStillWritesThePath) {
  CreateForm();
  form_->PathEdit.SetText("C:\\kept folder");
  ASSERT_TRUE(test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "FilePath", "C:\\other"));
  DialogWatcher browser(nullptr, [](HWND dialog) { test::PressButton(dialog, IDCANCEL); });
  form_->ChangePath.Click();
  browser.Join();
  ASSERT_TRUE(browser.seen()) << "the folder browser did not open";
  EXPECT_TRUE(browser.HasText("Select Image Folder:")) << browser.AllTexts();
  EXPECT_EQ("C:\\kept folder", form_->PathText());
  EXPECT_EQ("C:\\kept folder", StoredText("FilePath"));
}

// Drives the capture panel's "Stream Format" dialog: picks the line that starts with text.
void ChooseStreamFormat(HWND dialog, const char* text) {
  HWND list = GetDlgItem(dialog, 1001);
  const LRESULT row =
      SendMessageA(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  if (row != LB_ERR) SendMessageA(list, LB_SETCURSEL, row, 0);
  PostMessageA(dialog, WM_COMMAND, row != LB_ERR ? IDOK : IDCANCEL, 0);
}

TEST_F(SettingFormTest, StreamFormatSizesTheMainWindowAndCentresANarrowPreview) {
  CreateForm();
  // The preview is off: the button opens it first, then the dialog.
  {
    DialogWatcher dialog("Stream Format",
                         [](HWND d) { ChooseStreamFormat(d, "176 x 144"); });
    form_->PinSetBtn.Click();
    dialog.Join();
    ASSERT_TRUE(dialog.seen()) << "the stream-format dialog did not open";
  }
  EXPECT_EQ(1, host_->preview_switches);
  EXPECT_TRUE(host_->panel.GetReady());
  EXPECT_EQ(176, host_->panel.CaptureFormat.bmiHeader.biWidth);
  RECT main = WindowRectOf(host_->window.handle());
  EXPECT_EQ(345, main.right - main.left);
  EXPECT_EQ(199, main.bottom - main.top);
  RECT preview = ChildRectOf(host_->panel.Handle());
  EXPECT_EQ(72, preview.left);
  EXPECT_EQ(0, preview.top);
  EXPECT_EQ(176, preview.right - preview.left);
  EXPECT_EQ(144, preview.bottom - preview.top);

  // With the preview running, the button goes straight to the dialog.
  {
    DialogWatcher dialog("Stream Format",
                         [](HWND d) { ChooseStreamFormat(d, "640 x 480"); });
    form_->PinSetBtn.Click();
    dialog.Join();
    ASSERT_TRUE(dialog.seen());
  }
  EXPECT_EQ(1, host_->preview_switches) << "a running preview must not be switched off";
  main = WindowRectOf(host_->window.handle());
  EXPECT_EQ(665, main.right - main.left);
  EXPECT_EQ(535, main.bottom - main.top);
  preview = ChildRectOf(host_->panel.Handle());
  EXPECT_EQ(0, preview.left);
  EXPECT_EQ(0, preview.top);
  EXPECT_EQ(640, preview.right - preview.left);
  EXPECT_EQ(480, preview.bottom - preview.top);
  EXPECT_EQ(0, host_->rec_timer_disabled);
}

TEST_F(SettingFormTest, LargeStreamFormatTakesZoomEffectsAndTheMagnifierAway) {
  CreateForm();
  DigitalZoom zoom;
  TPropertyForm form(GetModuleHandleA(nullptr), zoom);
  ASSERT_TRUE(form.Create());
  PropertyFormControls property(form);
  form_->PropertyForm = &form;
  property.EnabledZoom.SetChecked(true);
  property.Frame.SetItemIndex(10);
  ASSERT_EQ("Magnifier", property.Frame.Item(property.Frame.ItemIndex()));
  {
    DialogWatcher dialog("Stream Format",
                         [](HWND d) { ChooseStreamFormat(d, "1280 x 1024"); });
    form_->PinSetBtn.Click();
    dialog.Join();
    ASSERT_TRUE(dialog.seen()) << "the stream-format dialog did not open";
  }
  EXPECT_EQ(1280, host_->panel.CaptureFormat.bmiHeader.biWidth);
  EXPECT_FALSE(property.EnabledZoom.Checked()) << "the zoom is switched off first";
  EXPECT_FALSE(property.EnabledZoom.Enabled());
  EXPECT_FALSE(property.Effect.Enabled());
  EXPECT_EQ(0, property.Effect.ItemIndex());
  EXPECT_EQ(0, property.Frame.ItemIndex()) << "the magnifier was selected";
  EXPECT_EQ(10, property.Frame.Count());
  EXPECT_EQ(-1, property.Frame.IndexOf("Magnifier"));

  {
    DialogWatcher dialog("Stream Format",
                         [](HWND d) { ChooseStreamFormat(d, "640 x 480"); });
    form_->PinSetBtn.Click();
    dialog.Join();
    ASSERT_TRUE(dialog.seen());
  }
  EXPECT_EQ(640, host_->panel.CaptureFormat.bmiHeader.biWidth);
  EXPECT_TRUE(property.EnabledZoom.Enabled());
  EXPECT_TRUE(property.Effect.Enabled());
  ASSERT_EQ(11, property.Frame.Count());
  EXPECT_EQ("Magnifier", property.Frame.Item(10)) << "appended as the last item";
  // The item that came back works like the others.
  property.Frame.SetItemIndex(10);
  EXPECT_EQ(26, form.EffectValue);
  form_->PropertyForm = nullptr;
}

TEST_F(SettingFormTest, CameraHeldElsewhereIsReportedAndNothingIsResized) {
  ASSERT_TRUE(simcam::SetHeld(true));
  CreateForm();
  const RECT before = WindowRectOf(host_->window.handle());
  {
    DialogWatcher box("Error", [](HWND dialog) { test::PressButton(dialog, IDOK); });
    form_->PinSetBtn.Click();
    box.Join();
    ASSERT_TRUE(box.seen()) << "no message box";
    EXPECT_TRUE(box.HasText("Device is locked by another application"));
  }
  EXPECT_FALSE(host_->panel.GetReady());
  const RECT after = WindowRectOf(host_->window.handle());
  EXPECT_EQ(before.right - before.left, after.right - after.left);
  EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
}

// Saves the picture of a window as a 24-bit BMP file; false when nothing was captured.
bool SaveWindowPicture(HWND window, const std::string& path, std::vector<uint8_t>* pixels) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  UniqueHBitmap bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) {
    ReleaseDC(nullptr, screen);
    return false;
  }
  HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
  BitBlt(memory.get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory.get(), old);
  ReleaseDC(nullptr, screen);
  GdiFlush();
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  const size_t size = stride * static_cast<size_t>(height);
  pixels->assign(static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + size);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + size);
  std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(&file),
                             reinterpret_cast<uint8_t*>(&file) + sizeof file);
  bytes.insert(bytes.end(), reinterpret_cast<uint8_t*>(&info.bmiHeader),
               reinterpret_cast<uint8_t*>(&info.bmiHeader) + sizeof info.bmiHeader);
  bytes.insert(bytes.end(), pixels->begin(), pixels->end());
  return test::WriteFileBytes(path, bytes.data(), bytes.size());
}

TEST_F(SettingFormTest, ShownWindowStaysOnTheDesktopAndIsPictured) {
  CreateForm();
  HWND window = form_->hwnd();
  SetWindowPos(window, nullptr, 5000, -300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  form_->ShowForm();
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  RECT desktop{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  const RECT shown = WindowRectOf(window);
  EXPECT_EQ(desktop.right, shown.right) << "moved back from beyond the right edge";
  EXPECT_EQ(desktop.top, shown.top) << "moved down from above the top";

  // Closing only hides.
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(IsWindowVisible(window));

  // The picture of the window as designed, for people to look at.
  SetWindowPos(window, nullptr, kSettingDesignLeft, kSettingDesignTop, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  form_->PathEdit.SetText("C:\\users\\Public\\Pictures");
  form_->ShowForm();
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  test::PumpUntil([] { return false; }, 300);  // let the controls paint
  const std::string folder = test::BinPath("..\\artefacts");
  CreateDirectoryA(folder.c_str(), nullptr);
  std::vector<uint8_t> pixels;
  ASSERT_TRUE(SaveWindowPicture(window, folder + "\\settings_window.bmp", &pixels));
  // Something was drawn: the picture holds more than a handful of distinct colours.
  std::vector<bool> seen(1 << 12, false);
  int distinct = 0;
  for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
    const int key = (pixels[i] >> 4) | ((pixels[i + 1] >> 4) << 4) | ((pixels[i + 2] >> 4) << 8);
    if (!seen[key]) {
      seen[key] = true;
      ++distinct;
    }
  }
  EXPECT_GT(distinct, 4);
}

TEST_F(SettingFormTest, SkinnedFrameKeepsTheDesignedClientArea) {
  toolkit::SkinData skin;
  if (!skin.LoadFromFile(test::BinPath("dazodi\\skin.ini"))) {
    GTEST_SKIP() << "no usable default skin in the build: " << skin.LastError();
  }
  CreateForm(&skin);
  HWND window = form_->hwnd();
  EXPECT_EQ(0, GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) << "the skin draws the caption";
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(355, client.right);
  EXPECT_EQ(190, client.bottom);
  EXPECT_EQ("40,66 288x18", Bounds(form_->PathEdit));
  form_->ShowForm();
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  test::PumpUntil([] { return false; }, 300);  // let the controls paint
  const std::string folder = test::BinPath("..\\artefacts");
  CreateDirectoryA(folder.c_str(), nullptr);
  std::vector<uint8_t> pixels;
  EXPECT_TRUE(SaveWindowPicture(window, folder + "\\settings_window_skinned.bmp", &pixels));
}

}  // namespace
}  // namespace kvo
