// The settings window of the real KVO_MAIN.exe, driven from outside as a user would: the
// first start, the compressor choice, the counters and the stream format that resizes the
// main window.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "e2e.h"

namespace kvo {
namespace {

using namespace kvo::test;

constexpr char kProgram[] = "KVO_MAIN.exe";
constexpr char kMainClass[] = "TKVO_CM_MAIN";
constexpr char kFormClass[] = "TSettingForm";
constexpr DWORD kStartTimeout = 30000;

std::string Stored(const char* name) {
  auto value = ReadValue(HKEY_CURRENT_USER, kSettingsPath, name);
  return value ? value->AsText() : std::string("<absent>");
}

std::optional<DWORD> StoredDword(const char* name) {
  auto value = ReadValue(HKEY_CURRENT_USER, kSettingsPath, name);
  return value ? value->AsDword() : std::nullopt;
}

// The control at a point of the window's client area (designed coordinates).
HWND ControlAt(HWND form, int x, int y) {
  POINT point{x, y};
  HWND child = ChildWindowFromPointEx(form, point, CWP_SKIPTRANSPARENT);
  return child == form ? nullptr : child;
}

RECT ClientRectIn(HWND child, HWND parent) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class SettingFormE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillAll(kProgram);
    ASSERT_TRUE(ResetSettings());
  }
  void TearDown() override {
    if (FindTopWindow(kMainClass, nullptr)) RunProgram(kProgram, "Close", 15000);
    if (first_.started() && !first_.Wait(15000)) first_.Kill();
    KillAll(kProgram);
    ResetSettings();
  }

  // Starts a first instance and waits until it takes commands; returns its settings window.
  HWND StartReadyInstance(const std::string& word) {
    WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "Q", false);
    first_ = StartProgram(kProgram, word);
    EXPECT_TRUE(first_.started());
    EXPECT_TRUE(WaitUntil([] { return Stored("AppStatusOK") == "Y"; }, kStartTimeout))
        << Stored("AppStatusOK");
    return FindTopWindow(kFormClass, "Setting", first_.id());
  }
  void StopInstance() {
    RunProgram(kProgram, "Close", 15000);
    EXPECT_TRUE(first_.Wait(15000)) << "KVO_MAIN did not end on Close";
  }
  // The "Setting" command, relayed by a later instance; true when the window shows.
  bool ShowSettings(HWND form) {
    RunProgram(kProgram, "Setting", 15000);
    return WaitUntil([&] { return IsWindowVisible(form) != FALSE; }, 10000);
  }

  Process first_;
};

TEST_F(SettingFormE2eTest, FirstStartCompressorChoiceAndCounterReset) {
  DeleteValue(HKEY_CURRENT_USER, kSettingsPath, "FilePath");
  ASSERT_EQ("<absent>", Stored("FilePath"));
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "Compressor", "Uninstalled Codec"));
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "AviCounter", 12));
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "JpgCounter", 41));

  HWND form = StartReadyInstance("NoShow");
  ASSERT_NE(nullptr, form) << "no settings window";
  ASSERT_TRUE(ShowSettings(form));

  // The first start fills the picture folder into the field and the key.
  wchar_t pictures[MAX_PATH] = {};
  ASSERT_HRESULT_SUCCEEDED(
      SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures));
  const std::string expected(pictures, pictures + wcslen(pictures));
  EXPECT_EQ(expected, Stored("FilePath"));
  HWND path = ControlAt(form, 45, 70);
  ASSERT_NE(nullptr, path);
  EXPECT_EQ(expected, WindowText(path));

  // An uninstalled compressor selects nothing.
  HWND combo = ControlAt(form, 120, 20);
  ASSERT_NE(nullptr, combo);
  ASSERT_EQ("ComboBox", ClassName(combo));
  EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_GETCURSEL, 0, 0));

  // Choosing "No Compress" stores it as such.
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  SendMessageA(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_TRUE(WaitUntil([] { return Stored("Compressor") == "No Compress"; }, 5000))
      << Stored("Compressor");

  // "Clear File Counters" zeroes both counters.
  HWND reset = ControlAt(form, 294 + 16, 96 + 15);
  ASSERT_NE(nullptr, reset);
  SendMessageA(reset, BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([] { return StoredDword("AviCounter") == 0u && StoredDword("JpgCounter") == 0u; },
                        5000))
      << StoredDword("AviCounter").value_or(99) << " " << StoredDword("JpgCounter").value_or(99);

  // The next start selects the stored "No Compress".
  StopInstance();
  form = StartReadyInstance("NoShow");
  ASSERT_NE(nullptr, form);
  combo = ControlAt(form, 120, 20);
  ASSERT_NE(nullptr, combo);
  EXPECT_EQ(0, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  EXPECT_EQ(expected, Stored("FilePath")) << "a set folder stays";
}

TEST_F(SettingFormE2eTest, NarrowStreamFormatGivesANarrowMainWindowWithCentredPreview) {
  HWND form = StartReadyInstance("");
  ASSERT_NE(nullptr, form);
  HWND main = FindTopWindow(kMainClass, nullptr, first_.id());
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10000));
  ASSERT_TRUE(ShowSettings(form));

  HWND pin_set = ControlAt(form, 259 + 16, 96 + 15);
  ASSERT_NE(nullptr, pin_set);
  // The dialog is modal inside the program: post the click, then answer the dialog.
  PostMessageA(pin_set, BM_CLICK, 0, 0);
  HWND dialog = WaitForWindow("#32770", "Stream Format", 20000, first_.id());
  ASSERT_NE(nullptr, dialog) << "the stream-format dialog did not open";
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 10000));
  HWND list = GetDlgItem(dialog, 1001);
  ASSERT_NE(nullptr, list);
  const std::vector<std::string> lines = ListBoxLines(list);
  int row = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("176 x 144", 0) == 0) row = static_cast<int>(i);
  }
  ASSERT_GE(row, 0) << "no 176 x 144 line among " << lines.size();
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);

  auto size_is = [&](int width, int height) {
    RECT rect{};
    GetWindowRect(main, &rect);
    return rect.right - rect.left == width && rect.bottom - rect.top == height;
  };
  EXPECT_TRUE(WaitUntil([&] { return size_is(345, 199); }, 20000));
  RECT rect{};
  GetWindowRect(main, &rect);
  EXPECT_EQ(345, rect.right - rect.left);
  EXPECT_EQ(199, rect.bottom - rect.top);

  // The preview panel: the main window's child of the format's size. The main window takes
  // its size first and the panel follows, so wait for the panel.
  HWND panel = nullptr;
  std::string seen;
  auto find_panel = [&] {
    seen.clear();
    for (HWND child : ChildWindows(main)) {
      const RECT r = ClientRectIn(child, main);
      seen += ClassName(child) + " " + std::to_string(r.left) + "," + std::to_string(r.top) +
              " " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
              "; ";
      if (GetParent(child) == main && r.right - r.left == 176 && r.bottom - r.top == 144) {
        panel = child;
      }
    }
    return panel != nullptr;
  };
  WaitUntil(find_panel, 10000);
  ASSERT_NE(nullptr, panel) << "no 176 x 144 preview in the main window: " << seen;
  const RECT placed = ClientRectIn(panel, main);
  EXPECT_EQ(72, placed.left);
  EXPECT_EQ(0, placed.top);
}

}  // namespace
}  // namespace kvo
