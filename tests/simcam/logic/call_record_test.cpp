// The property-call record's lines: every field survives, damaged lines are refused.
#include "call_record.h"

#include <gtest/gtest.h>

namespace kvo::simcam {
namespace {

TEST(CallRecordTest, EveryFieldSurvivesTheLine) {
  PropertyCall call;
  call.is_set = true;
  call.set = CallSet::kVideoControl;
  call.id = 3;
  call.flags = 0x202;
  call.instance_length = 32;
  call.data_length = 31;
  call.value = -4;
  call.stream_index = 1;
  call.text = "C:\\a\tb\nc\\\\d\r";
  call.status = static_cast<int32_t>(0x80070057);
  const std::string line = FormatCall(call);
  EXPECT_EQ(std::string::npos, line.find('\n')) << "one line";
  const auto back = ParseCall(line);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->is_set);
  EXPECT_EQ(CallSet::kVideoControl, back->set);
  EXPECT_EQ(3u, back->id);
  EXPECT_EQ(0x202u, back->flags);
  EXPECT_EQ(32u, back->instance_length);
  EXPECT_EQ(31u, back->data_length);
  EXPECT_EQ(-4, back->value);
  EXPECT_EQ(1, back->stream_index);
  EXPECT_EQ(call.text, back->text);
  EXPECT_EQ(call.status, back->status);
  EXPECT_EQ("get\tIMAGE\t2\t1\t40\t40\t63\t-1\t0\t", FormatCall([] {
              PropertyCall get;
              get.set = CallSet::kImage;
              get.id = 2;
              get.flags = 1;
              get.instance_length = get.data_length = 40;
              get.value = 63;
              return get;
            }()));
}

TEST(CallRecordTest, DamagedLinesAreRefused) {
  for (const char* line : {"", "set", "put\tIMAGE\t2\t2\t40\t40\t1\t-1\t0\t",
                           "set\tCOLOUR\t2\t2\t40\t40\t1\t-1\t0\t",
                           "set\tIMAGE\tx\t2\t40\t40\t1\t-1\t0\t",
                           "set\tIMAGE\t2\t2\t40\t40\t99999999999\t-1\t0\t",
                           "set\tIMAGE\t-1\t2\t40\t40\t1\t-1\t0\t",
                           "set\tIMAGE\t2\t2\t40\t40\t1\t-1\t0\tend\\",
                           "set\tIMAGE\t2\t2\t40\t40\t1\t-1\t0\t\\q",
                           "set\tIMAGE\t2\t2\t40\t40\t1\t-1\t0\tx\textra"})
    EXPECT_FALSE(ParseCall(line)) << line;
}

}  // namespace
}  // namespace kvo::simcam
