// KVO_MAIN.exe's single instance and command relay, through the real program.
#include <gtest/gtest.h>

#include <string>

#include "e2e.h"

namespace kvo {
namespace {

using namespace kvo::test;

constexpr char kProgram[] = "KVO_MAIN.exe";
constexpr char kMainClass[] = "TKVO_CM_MAIN";
constexpr DWORD kStartTimeout = 20000;

std::string AppStatus() {
  auto value = ReadValue(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK");
  return value ? value->AsText() : std::string("<missing>");
}

bool MutexExists() {
  UniqueHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, "KVO_CM_AP"));
  return mutex.valid();
}

class AppEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillAll(kProgram);
    ASSERT_TRUE(ResetSettings());
  }
  void TearDown() override {
    if (FindTopWindow(kMainClass, nullptr)) RunProgram(kProgram, "Close", 10000);
    if (first_.started() && !first_.Wait(10000)) first_.Kill();
    KillAll(kProgram);
    ResetSettings();
  }

  // Starts a first instance and waits until it takes commands ("Y" written).
  HWND StartReadyInstance(const std::string& word) {
    WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "Q", false);
    first_ = StartProgram(kProgram, word);
    EXPECT_TRUE(first_.started());
    EXPECT_TRUE(WaitUntil([] { return AppStatus() == "Y"; }, kStartTimeout)) << AppStatus();
    return FindTopWindow(kMainClass, nullptr, first_.id());
  }

  Process first_;
};

TEST_F(AppEntryTest, CloseWithoutInstanceCreatesNothing) {
  WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "Q", false);
  auto code = RunProgram(kProgram, "Close");
  ASSERT_TRUE(code);
  EXPECT_EQ(0u, *code);
  EXPECT_EQ(nullptr, FindTopWindow(kMainClass, nullptr));
  EXPECT_EQ("Q", AppStatus()) << "AppStatusOK untouched";
}

TEST_F(AppEntryTest, FirstInstanceStartsHiddenForAWordAndBecomesReady) {
  HWND main = StartReadyInstance("snapshot");
  ASSERT_NE(nullptr, main);
  EXPECT_EQ("Oculetto Application", WindowText(main));
  EXPECT_FALSE(IsWindowVisible(main)) << "any non-empty word starts hidden";
  auto stored = ReadValue(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK");
  ASSERT_TRUE(stored);
  EXPECT_EQ(1u, stored->data.size()) << "written without NUL";

  // A lower-case word is not in the table: a later instance relays nothing.
  auto code = RunProgram(kProgram, "snapshot");
  ASSERT_TRUE(code);
  EXPECT_EQ(0u, *code);
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_TRUE(first_.Running());
}

TEST_F(AppEntryTest, SingleBlankRelaysShowAndOtherWordsDoNotShow) {
  HWND main = StartReadyInstance("NoShow");
  ASSERT_NE(nullptr, main);
  ASSERT_FALSE(IsWindowVisible(main));

  ASSERT_TRUE(RunProgram(kProgram, "NoShow"));
  ASSERT_TRUE(RunProgram(kProgram, "Bogus"));
  EXPECT_FALSE(IsWindowVisible(main)) << "1033 and unknown words change nothing";

  auto code = RunProgram(kProgram, "");  // the command line ends in a single blank
  ASSERT_TRUE(code);
  EXPECT_EQ(0u, *code);
  EXPECT_TRUE(IsWindowVisible(main)) << "1032 shows the main window";
  EXPECT_TRUE(first_.Running());
}

TEST_F(AppEntryTest, EmptyWordStartsFirstInstanceVisible) {
  HWND main = StartReadyInstance("");
  ASSERT_NE(nullptr, main);
  EXPECT_TRUE(IsWindowVisible(main));
  // Closing the window only hides it; the program keeps running.
  SendMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_TRUE(first_.Running());

  ASSERT_TRUE(RunProgram(kProgram, "Close"));
  DWORD exit_code = 99;
  ASSERT_TRUE(first_.Wait(15000, &exit_code)) << "\"Close\" ends a visible instance too";
  EXPECT_EQ(0u, exit_code);
}

TEST_F(AppEntryTest, StartDuringStartupWindowIsLost) {
  HWND main = StartReadyInstance("NoShow");
  ASSERT_NE(nullptr, main);
  // The running instance is still starting while AppStatusOK reads 'N'.
  WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "N", false);
  for (const char* word : {"", "Close"}) {
    auto code = RunProgram(kProgram, word);
    ASSERT_TRUE(code);
    EXPECT_EQ(0u, *code);
  }
  EXPECT_FALSE(IsWindowVisible(main)) << "the blank was not relayed";
  Sleep(300);
  EXPECT_TRUE(first_.Running()) << "\"Close\" was not relayed";
  WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "Y", false);
}

TEST_F(AppEntryTest, CloseEndsRunningInstanceAndFreesTheMutex) {
  ASSERT_NE(nullptr, StartReadyInstance("NoShow"));
  EXPECT_TRUE(MutexExists());
  auto code = RunProgram(kProgram, "Close");
  ASSERT_TRUE(code);
  EXPECT_EQ(0u, *code);
  DWORD exit_code = 99;
  ASSERT_TRUE(first_.Wait(5000, &exit_code)) << "ends at the next 50 ms tick";
  EXPECT_EQ(0u, exit_code);
  EXPECT_FALSE(MutexExists());
  EXPECT_EQ(nullptr, FindTopWindow(kMainClass, nullptr));

  // The name is free: a new first instance starts and becomes ready.
  EXPECT_NE(nullptr, StartReadyInstance("NoShow"));
}

TEST_F(AppEntryTest, EndOfSessionEndsTheProgram) {
  HWND main = StartReadyInstance("NoShow");
  ASSERT_NE(nullptr, main);
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
  EXPECT_EQ(1u, answer) << "the window may close";
  DWORD exit_code = 99;
  ASSERT_TRUE(first_.Wait(5000, &exit_code));
  EXPECT_EQ(0u, exit_code);
}

TEST_F(AppEntryTest, UnreadableAppStatusKeepsTheProgramFromStarting) {
  // Deleted, as a first instance.
  ASSERT_TRUE(DeleteValue(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK"));
  Process process = StartProgram(kProgram, "NoShow");
  DWORD code = 99;
  ASSERT_TRUE(process.Wait(10000, &code));
  EXPECT_EQ(0u, code);
  EXPECT_EQ(nullptr, FindTopWindow(kMainClass, nullptr));
  EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK"));

  // Six bytes, as a first instance.
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "YYYYYY", false));
  process = StartProgram(kProgram, "NoShow");
  ASSERT_TRUE(process.Wait(10000, &code));
  EXPECT_EQ(nullptr, FindTopWindow(kMainClass, nullptr));

  // Deleted or six bytes, as a later instance: nothing is relayed.
  HWND main = StartReadyInstance("NoShow");
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "YYYYYY", false));
  ASSERT_TRUE(RunProgram(kProgram, ""));
  EXPECT_FALSE(IsWindowVisible(main));
  ASSERT_TRUE(DeleteValue(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK"));
  ASSERT_TRUE(RunProgram(kProgram, ""));
  EXPECT_FALSE(IsWindowVisible(main));
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "Y", false));
}

TEST_F(AppEntryTest, MissingKeyOrOverLongCommandLineEndsQuietly) {
  ASSERT_TRUE(DeleteTree(HKEY_CURRENT_USER, kSettingsPath));
  auto code = RunProgram(kProgram, "NoShow");
  ASSERT_TRUE(code);
  EXPECT_EQ(0u, *code);
  EXPECT_EQ(nullptr, FindTopWindow(kMainClass, nullptr));
  EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK")) << "no key created";
  ASSERT_TRUE(ResetSettings());

  HWND main = StartReadyInstance("NoShow");
  ASSERT_NE(nullptr, main);
  code = RunProgram(kProgram, std::string(30000, 'W'));
  ASSERT_TRUE(code);
  EXPECT_EQ(0u, *code);
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_TRUE(first_.Running());
}

}  // namespace
}  // namespace kvo
