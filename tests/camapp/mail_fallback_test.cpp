// Mailing a still through Simple MAPI: the testbed's mail program (simmail.dll, registered
// as the default mail client by prepare-prefix) must receive the very file handed over.
#include "mail_fallback.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "e2e.h"
#include "wide_text.h"

namespace kvo::test {
namespace {

const char kMailClientsKey[] = "Software\\Clients\\Mail";

std::string Outbox() { return BinPath("simmail-outbox"); }

std::vector<std::string> LogLines() {
  std::vector<std::string> lines;
  const auto bytes = ReadFileBytes(Outbox() + "\\messages.log");
  if (!bytes) return lines;
  std::istringstream stream(std::string(bytes->begin(), bytes->end()));
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

class MailFallbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Without a registered mail client, the platform's mapi32.dll asks the user with a
    // message box of its own: this test needs the stand-in.
    const auto client = ReadValue(HKEY_LOCAL_MACHINE, kMailClientsKey, "");
    if (!client || client->AsText() != "SimMail" || !FileExists(BinPath("simmail.dll"))) {
      GTEST_SKIP() << "the stand-in mail program is not registered as the mail client";
    }
    folder_ = BinPath("mail-test-stills");
    CreateDirectoryA(folder_.c_str(), nullptr);
  }

  std::string folder_;
};

TEST_F(MailFallbackTest, MailProgramReceivesTheAttachedStill) {
  // Distinct content per run, so an earlier run's copy in the outbox cannot pass the test.
  std::string content = "still " + std::to_string(GetTickCount()) + std::string(3000, 'x');
  const std::string path = folder_ + "\\IMG000007.jpg";
  ASSERT_TRUE(WriteFileBytes(path, content.data(), content.size()));
  const size_t lines_before = LogLines().size();

  ASSERT_TRUE(SendFileWithSimpleMapi(nullptr, AnsiToWide(path.c_str()).c_str()));

  // The mail program wrote the copy before the log line; both exist once the call is back.
  const auto lines = LogLines();
  ASSERT_EQ(lines_before + 1, lines.size());
  const auto fields = SplitTabs(lines.back());
  ASSERT_EQ(6u, fields.size()) << lines.back();
  const unsigned long flags = std::stoul(fields[1], nullptr, 16);
  EXPECT_NE(0u, flags & 0x8) << "the user's mail program must show the message: " << fields[1];
  EXPECT_EQ(path, fields[4]);
  EXPECT_EQ("IMG000007.jpg", fields[5]);
  const auto received = ReadFileBytes(Outbox() + "\\IMG000007.jpg");
  ASSERT_TRUE(received.has_value());
  EXPECT_EQ(content, std::string(received->begin(), received->end()));
}

TEST_F(MailFallbackTest, NothingIsMailedForUnusablePaths) {
  const size_t lines_before = LogLines().size();
  EXPECT_FALSE(SendFileWithSimpleMapi(nullptr, nullptr));
  EXPECT_FALSE(SendFileWithSimpleMapi(nullptr, L""));
  const std::wstring too_long = L"C:\\" + std::wstring(400, L'a') + L".jpg";
  EXPECT_FALSE(SendFileWithSimpleMapi(nullptr, too_long.c_str()));
  // A file that is gone: the mail program refuses the attachment, and the caller hears it.
  const std::string missing = folder_ + "\\IMG999999.jpg";
  DeleteFileA(missing.c_str());
  EXPECT_FALSE(SendFileWithSimpleMapi(nullptr, AnsiToWide(missing.c_str()).c_str()));
  // A folder path with nothing after the last backslash names no file.
  EXPECT_FALSE(SendFileWithSimpleMapi(nullptr, AnsiToWide((folder_ + "\\").c_str()).c_str()));
  EXPECT_EQ(lines_before, LogLines().size());
}

}  // namespace
}  // namespace kvo::test
