// The snapshot bridge against the real registry and files of the test prefix: finding the
// driver instance, the snapshot state and name, marking it taken, loading the file.
#include <gtest/gtest.h>

#include <cstring>

#include "driver_key.h"
#include "driver_key_fixture.h"
#include "test_bitmap.h"

namespace kvo::cm {
namespace {

using test::DriverKeyTest;
using test::kTestInstanceKey;
using test::SnapshotFile;
using test::TestBitmap;

TEST_F(DriverKeyTest, PendingSnapshotNameIsDelivered) {
  char name[256];
  std::memset(name, '#', sizeof(name));
  EXPECT_EQ(0, ReadSnapshotName(name));
  EXPECT_STREQ(test::kTestSnapshotName, name);
  EXPECT_EQ(0, ReadSnapshotName(nullptr)) << "a pending snapshot without a buffer";
}

TEST_F(DriverKeyTest, NothingPendingUnlessStateIsThree) {
  WriteSnapshot(SnapshotFile(0, 1, 1, {1, 2, 3}));
  for (DWORD state : {0u, 2u, 4u}) {
    SetState(state);
    char name[256] = "untouched";
    EXPECT_EQ(1, ReadSnapshotName(name)) << state;
    EXPECT_STREQ("untouched", name);
    EXPECT_EQ(1, ReadSnapshotName(nullptr)) << state;
    TestBitmap bitmap;
    EXPECT_EQ(1, LoadSnapshotImage(bitmap)) << state;
    EXPECT_EQ("", bitmap.calls);
  }
  test::DeleteValue(HKEY_LOCAL_MACHINE, kTestInstanceKey, kSnapShotStateValue);
  EXPECT_EQ(1, ReadSnapshotName(nullptr)) << "state missing";
}

TEST_F(DriverKeyTest, MarkingTakenWritesTwoWhateverTheState) {
  for (DWORD state : {3u, 0u, 7u}) {
    SetState(state);
    EXPECT_EQ(0, MarkSnapshotTaken());
    EXPECT_EQ(2u, State().value_or(99)) << state;
  }
  test::DeleteValue(HKEY_LOCAL_MACHINE, kTestInstanceKey, kSnapShotStateValue);
  EXPECT_EQ(0, MarkSnapshotTaken());
  EXPECT_EQ(2u, State().value_or(99));
  auto stored = test::ReadValue(HKEY_LOCAL_MACHINE, kTestInstanceKey, kSnapShotStateValue);
  ASSERT_TRUE(stored);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), stored->type);
}

TEST_F(DriverKeyTest, BrokenDriverKeyYieldsNoInstance) {
  // The instance value names a key that does not exist.
  ASSERT_TRUE(test::WriteText(HKEY_LOCAL_MACHINE, kDriverKeyPath, test::kTestInstanceValue,
                              std::string(kKernelMachinePrefix) + "SOFTWARE\\KvoTests\\Gone"));
  EXPECT_FALSE(OpenInstanceKey());
  EXPECT_EQ(1, MarkSnapshotTaken());
  EXPECT_EQ(1, ReadSnapshotName(nullptr));
  // A path no longer than the kernel prefix.
  ASSERT_TRUE(test::WriteText(HKEY_LOCAL_MACHINE, kDriverKeyPath, test::kTestInstanceValue,
                              "\\REGISTRY\\MACH"));
  EXPECT_FALSE(OpenInstanceKey());
  // An index whose value is missing.
  ASSERT_TRUE(test::WriteDword(HKEY_LOCAL_MACHINE, kDriverKeyPath, kInstanceIndexValue, 8));
  EXPECT_FALSE(OpenInstanceKey());
  TestBitmap bitmap;
  EXPECT_EQ(1, LoadSnapshotImage(bitmap));
}

TEST_F(DriverKeyTest, OverlongNamesAreRefused) {
  // 255 characters fit the caller's 256 bytes; the file need not exist for the name.
  const std::string longest(255, 'n');
  ASSERT_TRUE(test::WriteText(HKEY_LOCAL_MACHINE, kTestInstanceKey, kSnapShotFileNameValue, longest));
  char name[257];
  name[256] = '#';
  EXPECT_EQ(0, ReadSnapshotName(name));
  EXPECT_EQ(longest, std::string(name));
  EXPECT_EQ('#', name[256]);
  // 256 characters without NUL do not fit.
  const std::string too_long(256, 'n');
  ASSERT_TRUE(test::WriteText(HKEY_LOCAL_MACHINE, kTestInstanceKey, kSnapShotFileNameValue,
                              too_long, false));
  std::strcpy(name, "untouched");
  EXPECT_EQ(1, ReadSnapshotName(name));
  EXPECT_STREQ("untouched", name);

  EXPECT_EQ("c:\\" + std::string(252, 'n'), SnapshotPathOf(std::string(252, 'n')));
  EXPECT_EQ("", SnapshotPathOf(std::string(253, 'n')));
}

TEST_F(DriverKeyTest, PendingFileLoadsIntoBitmap) {
  WriteSnapshot(SnapshotFile(0, 2, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  TestBitmap bitmap;
  ASSERT_EQ(0, LoadSnapshotImage(bitmap));
  EXPECT_EQ((std::vector<uint8_t>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}), bitmap.pixels);
  EXPECT_EQ(3u, State().value_or(99)) << "loading does not mark the snapshot taken";

  WriteSnapshot(SnapshotFile(1, 2, 2, {250, 250, 250, 250, 255, 128}));
  ASSERT_EQ(0, LoadSnapshotImage(bitmap));
  EXPECT_EQ(255, bitmap.At(1, 1, 0));
  EXPECT_EQ(176, bitmap.At(1, 1, 1));
  EXPECT_EQ(250, bitmap.At(1, 1, 2));
}

TEST_F(DriverKeyTest, DamagedOrMissingFilesLeaveTheBitmap) {
  const std::vector<std::vector<uint8_t>> damaged = {
      SnapshotFile(0, -4, 2, std::vector<uint8_t>(24, 1)),
      SnapshotFile(1, 0x10000, 0x10000, std::vector<uint8_t>(24, 1)),
      SnapshotFile(0, 2, 2, std::vector<uint8_t>(11, 1)),
      std::vector<uint8_t>(10, 0),
      {},
  };
  for (size_t i = 0; i < damaged.size(); ++i) {
    WriteSnapshot(damaged[i]);
    TestBitmap bitmap;
    EXPECT_EQ(1, LoadSnapshotImage(bitmap)) << "file " << i;
    EXPECT_EQ("", bitmap.calls) << "file " << i;
  }
  DeleteFileA(test::kTestSnapshotPath);
  TestBitmap bitmap;
  EXPECT_EQ(1, LoadSnapshotImage(bitmap));
  EXPECT_EQ("", bitmap.calls);
}

TEST_F(DriverKeyTest, FileHeldOpenForWritingIsNotRead) {
  // The driver still writing the file: the library does not read a half-written still.
  WriteSnapshot(SnapshotFile(0, 1, 1, {1, 2, 3}));
  UniqueFileHandle writer(CreateFileA(test::kTestSnapshotPath, GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer) << GetLastError();
  TestBitmap bitmap;
  EXPECT_EQ(1, LoadSnapshotImage(bitmap));
  writer.reset();
  EXPECT_EQ(0, LoadSnapshotImage(bitmap));
}

}  // namespace
}  // namespace kvo::cm
