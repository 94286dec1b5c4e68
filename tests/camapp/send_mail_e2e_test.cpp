// "SendMail" through the real program: the still it asks the camera for is saved and handed
// to the user's mail program, here the testbed's (simmail.dll, which keeps a copy of every
// attachment and a line per message).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "camapp_e2e_support.h"

namespace kvo {
namespace {

using namespace kvo::test;

std::vector<std::string> MailLog() {
  std::vector<std::string> lines;
  const auto bytes = ReadFileBytes(BinPath("simmail-outbox\\messages.log"));
  if (!bytes) return lines;
  std::istringstream stream(std::string(bytes->begin(), bytes->end()));
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class SendMailE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto client = ReadValue(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", "");
    if (!client || client->AsText() != "SimMail" || !FileExists(BinPath("simmail.dll"))) {
      GTEST_SKIP() << "the stand-in mail program is not registered as the mail client";
    }
    KillAll(kKvoMain);
    ASSERT_TRUE(ResetSettings());
  }
  void TearDown() override {
    if (app_.started()) EndKvoMain(app_);
    KillAll(kKvoMain);
    ResetSettings();
  }
  Process app_;
};

TEST_F(SendMailE2eTest, MailProgramReceivesTheStillThatSendMailTook) {
  const std::string folder = FreshFolder("mail");
  ASSERT_TRUE(WriteText(HKEY_CURRENT_USER, kSettingsPath, "FilePath", folder));
  ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsPath, "JpgCounter", 6));
  HWND main = nullptr;
  app_ = StartKvoMain("", &main);
  ASSERT_NE(nullptr, main) << "AppStatusOK " << AppStatus();
  ASSERT_TRUE(WaitUntil([&] { return PanelCaption(main) == "Preview"; }, 20000))
      << PanelCaption(main);
  const size_t mails_before = MailLog().size();

  // The preview runs and the window shows: the still is asked for at once.
  ASSERT_TRUE(Relay("SendMail"));
  ASSERT_TRUE(WaitUntil([] { return SnapshotState() == 3; }, 10000)) << SnapshotState();
  // What the tray companion does when the driver has the still.
  ASSERT_TRUE(Relay("View"));
  const std::string still = folder + "\\IMG000007.jpg";
  ASSERT_TRUE(WaitForFile(still, 10000));

  ASSERT_TRUE(WaitUntil([&] { return MailLog().size() > mails_before; }, 15000))
      << "the mail program received nothing";
  const std::vector<std::string> log = MailLog();
  ASSERT_EQ(mails_before + 1, log.size()) << "one message with one attachment";
  const std::string& line = log.back();
  EXPECT_NE(std::string::npos, line.find("\t" + still + "\t")) << line;
  EXPECT_EQ("IMG000007.jpg", line.substr(line.rfind('\t') + 1)) << line;
  const auto sent = ReadFileBytes(BinPath("simmail-outbox\\IMG000007.jpg"));
  const auto saved = ReadFileBytes(still);
  ASSERT_TRUE(sent && saved);
  EXPECT_GT(saved->size(), 1000u);
  EXPECT_TRUE(*sent == *saved) << "the attachment is the saved still";

  // The mail was for that one still: the next still is not mailed.
  ASSERT_TRUE(Relay("SnapShot"));
  ASSERT_TRUE(WaitUntil([] { return SnapshotState() == 3; }, 10000)) << SnapshotState();
  ASSERT_TRUE(Relay("View"));
  ASSERT_TRUE(WaitForFile(folder + "\\IMG000008.jpg", 10000));
  EXPECT_EQ(mails_before + 1, MailLog().size());
}

}  // namespace
}  // namespace kvo
