// Bounded copies into fixed buffers and stored-text decoding.
#include <gtest/gtest.h>

#include <cstring>

#include "text.h"

namespace kvo {
namespace {

TEST(CopyBounded, TruncatesAndAlwaysTerminates) {
  char buffer[6];
  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_EQ(5u, CopyBounded(buffer, sizeof(buffer), "RIGHTMOST"));
  EXPECT_STREQ("RIGHT", buffer);
  EXPECT_EQ(3u, CopyBounded(buffer, sizeof(buffer), "TOP"));
  EXPECT_STREQ("TOP", buffer);
  EXPECT_EQ(0u, CopyBounded(buffer, sizeof(buffer), nullptr));
  EXPECT_STREQ("", buffer);
  EXPECT_EQ(0u, CopyBounded(buffer, 0, "abc"));
  EXPECT_EQ(0u, CopyBounded(nullptr, 10, "abc"));
}

TEST(CopyAtMost, LeavesNoNulWhenTheTextFillsTheCount) {
  char buffer[5] = {'.', '.', '.', '.', '#'};
  EXPECT_EQ(4u, CopyAtMost(buffer, 4, "abcdef"));
  EXPECT_EQ(0, std::memcmp(buffer, "abcd#", 5)) << "the byte past the count is untouched";
  EXPECT_EQ(2u, CopyAtMost(buffer, 4, "ab"));
  EXPECT_EQ(0, std::memcmp(buffer, "ab\0d#", 5));
}

TEST(TextFromStoredBytes, StopsAtNulOrCount) {
  EXPECT_EQ("LEFT", TextFromStoredBytes("LEFTT", 4));
  EXPECT_EQ("ab", TextFromStoredBytes("ab\0cd", 5));
  EXPECT_EQ("", TextFromStoredBytes("abc", 0));
  EXPECT_EQ("", TextFromStoredBytes(nullptr, 10));
  EXPECT_TRUE(StartsWith("vid_feed&pid_cafe", "vid_"));
  EXPECT_FALSE(StartsWith("vi", "vid_"));
}

}  // namespace
}  // namespace kvo
