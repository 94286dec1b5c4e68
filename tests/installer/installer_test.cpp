// The installer's run in-process, with the message boxes and the restart replaced: what a
// boot answered Yes does (never a real restart here), header keys, line limits and the
// listing of unknown commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e.h"
#include "installer.h"

namespace kvo::fitdrv {
namespace {

struct ShownBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

class InstallerRunTest : public ::testing::Test {
 protected:
  Installer MakeInstaller(int answer) {
    Installer::Hooks hooks;
    hooks.list = [this](const std::string& line) { listed_.push_back(line); };
    hooks.message_box = [this, answer](HWND owner, const std::string& text,
                                       const std::string& caption, UINT type) {
      boxes_.push_back({owner, text, caption, type});
      return (type & MB_YESNO) ? answer : IDOK;
    };
    hooks.restart = [this] { ++restarts_; };
    return Installer(std::move(hooks));
  }

  static std::string Script(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
  }

  std::vector<std::string> listed_;
  std::vector<ShownBox> boxes_;
  int restarts_ = 0;
};

TEST_F(InstallerRunTest, BootAnsweredYesRestartsOnceAndEndsTheRun) {
  for (int answer : {IDYES, IDNO}) {
    boxes_.clear();
    restarts_ = 0;
    Installer installer = MakeInstaller(answer);
    installer.UseScriptText(Script({"[Product]", "Name=Cam", "Option=0", "x", "[Default]",
                                    "message=before", "boot", "message=after"}));
    installer.Start();
    HWND dialog = GetDesktopWindow();  // any window stands for the dialog here
    EXPECT_FALSE(installer.RunCommands(dialog)) << "boot ends the run";
    ASSERT_EQ(2u, boxes_.size()) << "the message after boot is never shown";
    EXPECT_EQ("before", boxes_[0].text);
    EXPECT_EQ(dialog, boxes_[0].owner) << "messages are owned by the dialog";
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes_[0].type);
    EXPECT_EQ(nullptr, boxes_[1].owner) << "the restart question has no owner";
    EXPECT_EQ("Cam", boxes_[1].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), boxes_[1].type);
    EXPECT_FALSE(boxes_[1].text.empty());
    EXPECT_EQ(answer == IDYES ? 1 : 0, restarts_);
  }
}

// The restart question as the shell of this system holds it; empty where it has none.
std::string ShellTextOf(UINT id) {
  HMODULE shell = LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (shell == nullptr) return std::string();
  char text[256] = {};
  const int length = LoadStringA(shell, id, text, sizeof(text));
  FreeLibrary(shell);
  return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

TEST_F(InstallerRunTest, QuestionsOfTheShellOrOfOurOwnAreWhole) {
  const std::string shell_install = ShellTextOf(kShellInstallQuestion);
  const std::string shell_restart = ShellTextOf(kShellRestartQuestion);
  EXPECT_EQ(shell_install.empty() ? "Do you want to start the installation now?" : shell_install,
            Installer::ShellQuestion(kShellInstallQuestion));
  EXPECT_EQ(shell_restart.empty() ? "Do you want to restart your computer now?" : shell_restart,
            Installer::ShellQuestion(kShellRestartQuestion));

  Installer installer = MakeInstaller(IDNO);
  installer.UseScriptText(Script({"t", "Name=Cam", "x", "y", "[Default]", "boot"}));
  installer.Start();
  installer.RunCommands(nullptr);
  ASSERT_EQ(1u, boxes_.size());
  // The shell's text opens with words that are no part of the question (6 characters on
  // the NT family); our own question is shown whole.
  if (shell_restart.size() > 6) {
    EXPECT_EQ(shell_restart.substr(6), boxes_[0].text) << "the shell's text, cut";
  } else {
    EXPECT_EQ("Do you want to restart your computer now?", boxes_[0].text) << "our own, whole";
  }
}

TEST_F(InstallerRunTest, HeaderKeysActInOrderAndTheLaterValueWins) {
  Installer installer = MakeInstaller(IDNO);
  installer.UseScriptText(Script({"[Product]", "name=First", "NAME=Second", "option=2",
                                  "Unknown=ignored", ";Option=1", "OSType=9", "[Default]"}));
  installer.Start();
  EXPECT_EQ("Second", installer.product_name());
  EXPECT_EQ(2, installer.run_mode());
  EXPECT_EQ(9, installer.os_kind());
  EXPECT_EQ((std::vector<std::string>{"OS Type = Unknown ?"}), listed_);

  listed_.clear();
  Installer detected = MakeInstaller(IDNO);
  detected.UseScriptText(Script({"t", "OSType=0", "Option=abc"}));
  detected.Start();
  EXPECT_EQ(Installer::DetectRunningOsKind(), detected.os_kind()) << "0 keeps the detection";
  EXPECT_EQ(0, detected.run_mode());
  EXPECT_EQ("OS Type = " + OsKindName(detected.os_kind()), listed_.at(0));
}

TEST_F(InstallerRunTest, UnknownCommandsAreListedAsDataAndTheRunGoesOn) {
  Installer installer = MakeInstaller(IDNO);
  const std::string long_line = "bogus=" + std::string(400, 'z') + "%n";
  installer.UseScriptText(Script({"t", "Name=Cam", "x", "y", "[Default]", "%s%n%x=%s",
                                  ";message=comment", long_line, "message=still runs",
                                  "[Next]", "message=other block"}));
  installer.Start();
  EXPECT_TRUE(installer.RunCommands(nullptr));
  EXPECT_EQ((std::vector<std::string>{"OS Type = " + OsKindName(installer.os_kind()),
                                      "Illegal Command %s%n%x=%s !",
                                      "Illegal Command " + long_line + " !"}),
            listed_)
      << "the whole raw line, also past 256 characters";
  ASSERT_EQ(1u, boxes_.size()) << "a section line ends the run";
  EXPECT_EQ("stillruns", boxes_[0].text);
}

TEST_F(InstallerRunTest, LinesPast1000AreNeverRun) {
  std::vector<std::string> lines = {"t", "Name=Cam", "x", "y", "[Default]"};
  while (lines.size() < 999) lines.push_back("; filler");
  lines.push_back("message=line 999");
  lines.push_back("message=line 1000");
  Installer installer = MakeInstaller(IDNO);
  installer.UseScriptText(Script(lines));
  installer.Start();
  installer.RunCommands(nullptr);
  ASSERT_EQ(1u, boxes_.size());
  EXPECT_EQ("line999", boxes_[0].text);
}

constexpr char kTestEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\KVOTESTENUM";

bool KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

TEST_F(InstallerRunTest, HardwareIdsThatNameNoDeviceAreRefusedAndTheRunGoesOn) {
  const std::string device = std::string(kTestEnumerator) + "\\DEV1";
  ASSERT_TRUE(test::WriteText(HKEY_LOCAL_MACHINE, device + "\\0000", "HardwareID", "x"));
  Installer installer = MakeInstaller(IDNO);
  installer.UseScriptText(Script(
      {"t", "Name=Cam", "x", "y", "[Default]", "Installdriver = C:\\none.inf, KVOTESTENUM",
       "updatedriver = C:\\none.inf, KVOTESTENUM\\", "removedriver = KVOTESTENUM",
       "enable = PCI", "disable = \\KVOTESTENUM", "UpdateLegacyDriver = C:\\none.inf, ROOT",
       "removedriver = USB\\\\DEV1", "Installdriver = C:\\none.inf,", "message=after"}));
  installer.Start();
  EXPECT_TRUE(installer.RunCommands(nullptr));
  EXPECT_EQ((std::vector<std::string>{"OS Type = " + OsKindName(installer.os_kind()),
                                      RefusedHardwareIdLine("KVOTESTENUM"),
                                      RefusedHardwareIdLine("KVOTESTENUM\\"),
                                      RefusedHardwareIdLine("KVOTESTENUM"),
                                      RefusedHardwareIdLine("PCI"),
                                      RefusedHardwareIdLine("\\KVOTESTENUM"),
                                      RefusedHardwareIdLine("ROOT"),
                                      RefusedHardwareIdLine("USB\\\\DEV1"),
                                      RefusedHardwareIdLine("")}),
            listed_);
  EXPECT_TRUE(KeyExists(device + "\\0000")) << "the enumerator branch is still there";
  ASSERT_EQ(1u, boxes_.size()) << "the script went on after the refused ids";
  EXPECT_EQ("after", boxes_[0].text);

  // An id that names a device: a failed install wipes that device's data, and only that.
  ASSERT_TRUE(test::WriteText(HKEY_LOCAL_MACHINE, std::string(kTestEnumerator) + "\\DEV2",
                              "HardwareID", "y"));
  listed_.clear();
  Installer device_installer = MakeInstaller(IDNO);
  device_installer.UseScriptText(Script(
      {"t", "Name=Cam", "x", "y", "[Default]", "Installdriver = C:\\none.inf, KVOTESTENUM\\DEV1"}));
  device_installer.Start();
  device_installer.RunCommands(nullptr);
  EXPECT_EQ((std::vector<std::string>{"OS Type = " + OsKindName(device_installer.os_kind()),
                                      "Delete device info !", "Copy OEM Inf !"}),
            listed_);
  EXPECT_FALSE(KeyExists(device)) << "the device's enumeration data is gone";
  EXPECT_TRUE(KeyExists(std::string(kTestEnumerator) + "\\DEV2")) << "its neighbour stays";
  test::DeleteTree(HKEY_LOCAL_MACHINE, kTestEnumerator);
}

}  // namespace
}  // namespace kvo::fitdrv
