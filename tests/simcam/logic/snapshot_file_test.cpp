// Still files: the header, packed rows as they are, planar 4:2:0 made for the reader's
// conversion, and damaged files refused.
#include "snapshot_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "driver_records.h"
#include "picture.h"
#include "property_store.h"

namespace kvo::simcam {
namespace {

TEST(SnapshotFileTest, PackedFileHoldsHeaderAndRowsBottomFirst) {
  const uint8_t picture[2 * 2 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::vector<uint8_t> file = BuildSnapshotFile(picture, 2, 2, false, StillStamp{77, 3600});
  ASSERT_EQ(24u + 12u, file.size());
  SnapshotHeader header;
  std::memcpy(&header, file.data(), sizeof(header));
  EXPECT_EQ(kSnapshotPacked, header.format);
  EXPECT_EQ(2, header.width);
  EXPECT_EQ(2, header.height);
  EXPECT_EQ(0, std::memcmp(file.data() + 24, picture, sizeof(picture)));
  const DecodedSnapshot decoded = DecodeSnapshotFile(file.data(), file.size());
  EXPECT_EQ(77u, decoded.stamp.frame_number);
  EXPECT_EQ(3600u, decoded.stamp.seconds_of_day);
  EXPECT_EQ(std::vector<uint8_t>(picture, picture + 12), decoded.bottom_up);
}

TEST(SnapshotFileTest, ReaderConversionMatchesTheDriverInterfaceExamples) {
  // Luma 128 with both planes 128: grey 128; luma 250, plane 1 255, plane 2 128: 255, 176, 250.
  std::vector<uint8_t> file(24 + 1 + 1 + 1, 0);
  SnapshotHeader header = {};
  header.format = kSnapshotPlanar;
  header.width = 1;
  header.height = 1;
  std::memcpy(file.data(), &header, sizeof(header));
  file[24] = 128, file[25] = 128, file[26] = 128;
  DecodedSnapshot decoded = DecodeSnapshotFile(file.data(), file.size());
  EXPECT_EQ((std::vector<uint8_t>{128, 128, 128}), decoded.bottom_up);
  file[24] = 250, file[25] = 255, file[26] = 128;
  decoded = DecodeSnapshotFile(file.data(), file.size());
  EXPECT_EQ((std::vector<uint8_t>{255, 176, 250}), decoded.bottom_up);
}

TEST(SnapshotFileTest, PlanarOddSizeUsesRoundedUpChromaPlanes) {
  std::vector<uint8_t> picture(3 * 3 * 3, 100);
  const std::vector<uint8_t> file = BuildSnapshotFile(picture.data(), 3, 3, true, StillStamp{});
  EXPECT_EQ(24u + 9u + 2u * 4u, file.size());
  EXPECT_EQ(kSnapshotPlanar, file[2]);
  const DecodedSnapshot decoded = DecodeSnapshotFile(file.data(), file.size());
  ASSERT_EQ(27u, decoded.bottom_up.size());
  for (uint8_t byte : decoded.bottom_up) EXPECT_NEAR(100, byte, 1);
}

TEST(SnapshotFileTest, PlanarPictureReadsBackCloseToThePicture) {
  const int width = 160, height = 120;
  std::vector<uint8_t> picture(width * height * 3);
  RenderPicture(DefaultSettings(), OverlayImage(), PictureClock{5, 100}, width, height,
                picture.data(), width * 3);
  const std::vector<uint8_t> file =
      BuildSnapshotFile(picture.data(), width, height, true, StillStamp{5, 100});
  const DecodedSnapshot decoded = DecodeSnapshotFile(file.data(), file.size());
  ASSERT_EQ(picture.size(), decoded.bottom_up.size());
  // Inside a bar the colour comes back within rounding, red and blue in their own bytes.
  for (int bar = 0; bar < kBarCount; ++bar) {
    const int x = bar * width / kBarCount + width / (2 * kBarCount);
    const size_t at = (static_cast<size_t>(height - 1 - height / 8) * width + x) * 3;
    for (int channel = 0; channel < 3; ++channel)
      EXPECT_NEAR(picture[at + channel], decoded.bottom_up[at + channel], 3)
          << "bar " << bar << " byte " << channel;
  }
}

TEST(SnapshotFileTest, DamagedFilesAreRefused) {
  std::vector<uint8_t> picture(4 * 4 * 3, 50);
  std::vector<uint8_t> file = BuildSnapshotFile(picture.data(), 4, 4, false, StillStamp{});
  EXPECT_TRUE(DecodeSnapshotFile(file.data(), 23).bottom_up.empty());
  EXPECT_TRUE(DecodeSnapshotFile(file.data(), file.size() - 1).bottom_up.empty());
  EXPECT_TRUE(DecodeSnapshotFile(nullptr, file.size()).bottom_up.empty());
  const int32_t negative = -4;
  std::memcpy(&file[4], &negative, 4);
  EXPECT_TRUE(DecodeSnapshotFile(file.data(), file.size()).bottom_up.empty());
  const int32_t huge = 0x7FFFFFFF;
  std::memcpy(&file[4], &huge, 4);
  std::memcpy(&file[8], &huge, 4);
  EXPECT_TRUE(DecodeSnapshotFile(file.data(), file.size()).bottom_up.empty());
  EXPECT_TRUE(BuildSnapshotFile(picture.data(), 0, 4, false, StillStamp{}).empty());
  EXPECT_TRUE(BuildSnapshotFile(nullptr, 4, 4, true, StillStamp{}).empty());
}

}  // namespace
}  // namespace kvo::simcam
