// The shared settings key helpers against the real registry of the test prefix.
#include <gtest/gtest.h>

#include <cstring>

#include "e2e.h"
#include "settings_key.h"
#include "settings_values.h"

namespace kvo {
namespace {

using test::kSettingsPath;

class SettingsKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(test::ResetSettings()); }
  void TearDown() override { test::ResetSettings(); }

  void Store(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_TRUE(test::WriteValue(HKEY_CURRENT_USER, kSettingsPath, name, type, data, size));
  }
};

TEST_F(SettingsKeyTest, TextWithoutNulReadsIntoBufferThatHeldLongerText) {
  Store("DlgPosition", REG_SZ, "LEFT", 4);
  SettingsKey key;
  ASSERT_TRUE(key.is_open());
  char buffer[512];
  std::strcpy(buffer, "RIGHT");
  DWORD stored = 0;
  ASSERT_TRUE(key.ReadValue("DlgPosition", buffer, sizeof(buffer), &stored));
  EXPECT_EQ(4u, stored);
  EXPECT_EQ(0, std::memcmp(buffer, "LEFT", 4)) << "the stored bytes at the front";
  // After them the buffer holds the old tail "T" (or a NUL the platform adds): the text
  // ends at the stored count, never at the first NUL of the old contents.
  buffer[4] = 'T';
  EXPECT_EQ("LEFT", TextOfValue(buffer, stored, sizeof(buffer)).value_or("<none>"));
  EXPECT_EQ("RIGHT", TextOfValue("RIGHT", 5, sizeof(buffer)).value_or("<none>"));
  EXPECT_FALSE(TextOfValue(buffer, sizeof(buffer) + 1, sizeof(buffer))) << "larger than the buffer";
  std::string text;
  ASSERT_TRUE(key.ReadText("DlgPosition", sizeof(buffer), &text));
  EXPECT_EQ("LEFT", text);
}

TEST_F(SettingsKeyTest, TextStopsAtFirstNulOrStoredCount) {
  Store("Compressor", REG_SZ, "ab\0cd", 6);
  SettingsKey key;
  std::string text;
  ASSERT_TRUE(key.ReadText("Compressor", 256, &text));
  EXPECT_EQ("ab", text);

  ASSERT_TRUE(key.WriteText("FilePath", "C:\\Pictures", true));
  auto stored = test::ReadValue(HKEY_CURRENT_USER, kSettingsPath, "FilePath");
  ASSERT_TRUE(stored);
  EXPECT_EQ(REG_SZ, stored->type);
  EXPECT_EQ(12u, stored->data.size()) << "written with its NUL";

  ASSERT_TRUE(key.WriteText("DlgAutoHide", "Y", false));
  stored = test::ReadValue(HKEY_CURRENT_USER, kSettingsPath, "DlgAutoHide");
  ASSERT_TRUE(stored);
  EXPECT_EQ(1u, stored->data.size()) << "written without NUL";
}

TEST_F(SettingsKeyTest, ValueLargerThanBufferOrMissingFails) {
  Store("AppStatusOK", REG_SZ, "YYYYYY", 6);
  SettingsKey key;
  char flag = 0;
  EXPECT_FALSE(key.ReadFlag("AppStatusOK", kAppStatusBufferSize, &flag));
  EXPECT_EQ(0, flag) << "nothing written on failure";
  Store("AppStatusOK", REG_SZ, "YYYYY", 5);
  EXPECT_TRUE(key.ReadFlag("AppStatusOK", kAppStatusBufferSize, &flag));
  EXPECT_EQ('Y', flag);

  std::string text = "unchanged";
  EXPECT_FALSE(key.ReadText("NoSuchValue", 256, &text));
  EXPECT_EQ("unchanged", text);
  Store("Empty", REG_SZ, "", 0);
  EXPECT_FALSE(key.ReadFlag("Empty", 5, &flag)) << "an empty value has no first byte";
}

TEST_F(SettingsKeyTest, TypeIsNotChecked) {
  DWORD number = 0x00004e;  // 'N' in the first byte
  Store("AppStatusOK", REG_DWORD, &number, sizeof(number));
  SettingsKey key;
  char flag = 0;
  ASSERT_TRUE(key.ReadFlag("AppStatusOK", kAppStatusBufferSize, &flag));
  EXPECT_EQ('N', flag);

  Store("JpgCounter", REG_BINARY, "\x07\x00\x00\x00", 4);
  DWORD counter = 0;
  ASSERT_TRUE(key.ReadDword("JpgCounter", &counter));
  EXPECT_EQ(7u, counter);
  Store("AviCounter", REG_BINARY, "\x07\x00\x00\x00\x00", 5);
  EXPECT_FALSE(key.ReadDword("AviCounter", &counter)) << "five bytes do not fit four";
}

TEST_F(SettingsKeyTest, DwordAndFormatRecordRoundTrip) {
  SettingsKey key;
  ASSERT_TRUE(key.WriteDword("FormTop", static_cast<DWORD>(-20)));
  DWORD top = 0;
  ASSERT_TRUE(key.ReadDword("FormTop", &top));
  EXPECT_EQ(-20, static_cast<int32_t>(top));

  CaptureFormatRecord record = NoFormatRecord();
  record.header.size = 40;
  record.header.width = 320;
  record.header.height = 240;
  record.header.bit_count = 24;
  record.header.compression = 0;
  record.avg_time_per_frame = 333333;
  ASSERT_TRUE(key.WriteFormat("Pin_Data", record));
  auto stored = test::ReadValue(HKEY_CURRENT_USER, kSettingsPath, "Pin_Data");
  ASSERT_TRUE(stored);
  EXPECT_EQ(REG_BINARY, stored->type);
  ASSERT_EQ(88u, stored->data.size());
  int32_t width = 0;
  std::memcpy(&width, stored->data.data() + 52, 4);
  EXPECT_EQ(320, width) << "width at offset 52";

  CaptureFormatRecord read = NoFormatRecord();
  ASSERT_TRUE(key.ReadFormat("Pin_Data", &read));
  EXPECT_EQ(0, std::memcmp(&record, &read, sizeof(read)));
  EXPECT_TRUE(HoldsFormat(read));

  CaptureFormatRecord untouched = NoFormatRecord();
  EXPECT_FALSE(key.ReadFormat("NoFormatHere", &untouched));
  EXPECT_FALSE(HoldsFormat(untouched));
}

TEST(SettingsKeyMissing, EveryOperationFailsWithoutTheKey) {
  ASSERT_TRUE(test::DeleteTree(HKEY_CURRENT_USER, kSettingsPath));
  {
    SettingsKey key;
    EXPECT_FALSE(key.is_open());
    char flag = 0;
    EXPECT_FALSE(key.ReadFlag("AppStatusOK", 5, &flag));
    EXPECT_FALSE(key.WriteText("AppStatusOK", "Y", false));
    EXPECT_FALSE(key.WriteDword("JpgCounter", 1));
  }
  EXPECT_FALSE(test::ReadValue(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK"))
      << "no helper creates the key";
  ASSERT_TRUE(test::ResetSettings());
}

}  // namespace
}  // namespace kvo
