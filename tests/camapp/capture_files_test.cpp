// File numbering, the stopped-recording texts and the recording clock.
#include <gtest/gtest.h>

#include <set>

#include "capture_files.h"

namespace kvo {
namespace {

TEST(CaptureFilesTest, NamesHaveAtLeastSixDigits) {
  struct Case {
    const char* folder;
    const char* prefix;
    uint32_t number;
    const char* extension;
    const char* name;
  };
  const Case cases[] = {
      {"C:\\Pictures", kSnapshotPrefix, 1, kSnapshotExtension, "C:\\Pictures\\IMG000001.jpg"},
      {"C:\\Pictures", kSnapshotPrefix, 42, kSnapshotExtension, "C:\\Pictures\\IMG000042.jpg"},
      {"C:\\", kSnapshotPrefix, 1, kSnapshotExtension, "C:\\\\IMG000001.jpg"},
      {"D:\\v", kRecordingPrefix, 999999, kRecordingExtension, "D:\\v\\MOV999999.avi"},
      {"D:\\v", kRecordingPrefix, 1000000, kRecordingExtension, "D:\\v\\MOV1000000.avi"},
      {"D:\\v", kRecordingPrefix, 4294967295u, kRecordingExtension, "D:\\v\\MOV4294967295.avi"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.name, NumberedFileName(c.folder, c.prefix, c.number, c.extension));
  }
}

TEST(CaptureFilesTest, NextFreeNumberSkipsExistingFiles) {
  const std::set<uint32_t> taken = {1, 2, 4, 42};
  auto exists = [&](uint32_t n) { return taken.count(n) > 0; };
  EXPECT_EQ(3u, NextFreeNumber(0, exists));
  EXPECT_EQ(3u, NextFreeNumber(1, exists));
  EXPECT_EQ(5u, NextFreeNumber(3, exists));
  EXPECT_EQ(43u, NextFreeNumber(41, exists));
  EXPECT_EQ(7u, NextFreeNumber(6, exists));
  // The counter wraps as its DWORD does.
  EXPECT_EQ(0u, NextFreeNumber(4294967295u, exists));
  // Every number taken: no number rather than an endless search.
  EXPECT_FALSE(NextFreeNumber(0, [](uint32_t) { return true; }, 50).has_value());
}

TEST(CaptureFilesTest, DiskErrorTextFollowsTheFatRule) {
  struct Case {
    std::optional<std::string> file_system;
    std::optional<uint64_t> size;
    const char* text;
  };
  const Case cases[] = {
      {std::string("NTFS"), 4294967295ull, kDiskFullText},
      {std::string("FAT32"), 4294967295ull, kFileSizeText},
      {std::string("FAT"), 4250000001ull, kFileSizeText},
      {std::string("FAT32"), 4250000000ull, kDiskFullText},
      {std::string("fat32"), 4294967295ull, kDiskFullText},  // exact, case-sensitive
      {std::string("FAT16"), 4294967295ull, kDiskFullText},
      {std::nullopt, 4294967295ull, kDiskFullText},
      {std::string("FAT32"), std::nullopt, kDiskFullText},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, DiskErrorText(c.file_system, c.size))
        << c.file_system.value_or("<none>") << " " << c.size.value_or(0);
  }
}

TEST(CaptureFilesTest, RecordingClockAndCaption) {
  RecordingClock clock;
  EXPECT_EQ("Oculetto Application", RecordingCaption(false, clock));
  EXPECT_EQ("Recording Time 00:00:00", RecordingCaption(true, clock));
  for (int i = 0; i < 3723; ++i) clock.Tick();
  EXPECT_EQ("Recording Time 01:02:03", RecordingCaption(true, clock));
  clock = RecordingClock{0, 59, 59};
  clock.Tick();
  EXPECT_EQ("Recording Time 01:00:00", RecordingCaption(true, clock));
  clock = RecordingClock{123, 4, 5};
  EXPECT_EQ("Recording Time 123:04:05", RecordingCaption(true, clock)) << "hours grow in full";
}

TEST(CaptureFilesTest, SnapshotPathLimits) {
  EXPECT_TRUE(SnapshotPathFits(259, 255));
  EXPECT_FALSE(SnapshotPathFits(260, 200));
  EXPECT_FALSE(SnapshotPathFits(200, 256));
}

}  // namespace
}  // namespace kvo
