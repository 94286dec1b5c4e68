// The capture component's platform-free rules: which compressors are hidden, how a camera
// is recognised, which results count, the still-frame copy and the dialog lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <algorithm>
#include <vector>

#include "bounded_copy.h"
#include "device_match.h"
#include "format_text.h"
#include "hidden_compressors.h"
#include "still_frame.h"
#include "stream_caps.h"

namespace kvo {
namespace {

struct HiddenCase {
  const char* name;
  bool hide_video1;
  bool hide_rle;
  bool hidden;
};

TEST(HiddenCompressors, RowsZeroAndOneFollowTheirSwitchesTheOthersAlwaysHide) {
  const HiddenCase cases[] = {
      {"Microsoft Video 1", true, false, true},
      {"Microsoft Video 1", false, false, false},
      {"MICROSOFT VIDEO 1 (vfw)", true, false, true},
      {"Microsoft RLE", true, false, false},
      {"Microsoft RLE", false, true, true},
      {"microsoft rle", false, true, true},
      {"Intel Indeo(R) Video R3.2", false, false, true},
      {"my indeo thing", false, false, true},
      {"WMVideo8 Encoder DMO", false, false, true},
      {"Some dmo in lower case", false, false, true},
      {"Cinepak Codec by Radius", false, false, true},
      {"Cinepak Codec", false, false, false},
      {"MJPEG Compressor", false, false, true},
      {"Intel 4:2:0 Video V2.50", false, false, true},
      {"Microsoft H.263 Video Codec", false, false, true},
      {"Microsoft H", false, false, false},
      {"", true, true, false},
      {"Plain Compressor", true, true, false},
  };
  for (const HiddenCase& c : cases) {
    HiddenCompressorTable table = DefaultHiddenCompressors();
    SetSwitchableRows(table, c.hide_video1, c.hide_rle);
    EXPECT_EQ(IsHiddenCompressor(c.name, table), c.hidden)
        << "name '" << c.name << "' video1 " << c.hide_video1 << " rle " << c.hide_rle;
  }
}

TEST(HiddenCompressors, UsesTheUpperCasingItIsGiven) {
  HiddenCompressorTable table = DefaultHiddenCompressors();
  SetSwitchableRows(table, false, false);
  // An upper-casing that maps nothing: only an exact upper-case fragment hides.
  const UpperCase identity = [](const std::string& text) { return text; };
  EXPECT_FALSE(IsHiddenCompressor("Some dmo", table, identity));
  EXPECT_TRUE(IsHiddenCompressor("Some DMO", table, identity));
}

TEST(DeviceMatch, PatternIsPlainConcatenationAndCaseSensitive) {
  EXPECT_EQ(BuildMatchPattern("12ab", "34cd"), "vid_12ab&pid_34cd");
  const std::string pattern = BuildMatchPattern("12ab", "34cd");
  EXPECT_TRUE(DisplayNameMatches("@device:pnp:\\\\?\\usb#vid_12ab&pid_34cd&mi_00#7&1", pattern));
  EXPECT_FALSE(DisplayNameMatches("@device:pnp:\\\\?\\usb#VID_12AB&PID_34CD&MI_00#7&1", pattern));
  EXPECT_FALSE(DisplayNameMatches("usb#vid_12ab&pid_34ce", pattern));
  // An empty vendor and product look for "vid_&pid_", which real names do not hold.
  EXPECT_FALSE(DisplayNameMatches("usb#vid_feed&pid_cafe", BuildMatchPattern("", "")));
}

TEST(GraphResults, PreviewAndDiskErrorStatuses) {
  EXPECT_TRUE(PreviewRendered(0));
  EXPECT_TRUE(PreviewRendered(0x0004027E));
  EXPECT_FALSE(PreviewRendered(1));  // S_FALSE is not a rendered preview
  EXPECT_FALSE(PreviewRendered(static_cast<int32_t>(0x80040217)));
  EXPECT_TRUE(IsDiskErrorStatus(0x80070070u));
  EXPECT_TRUE(IsDiskErrorStatus(0x80070002u));
  EXPECT_FALSE(IsDiskErrorStatus(0x80070005u));
  EXPECT_FALSE(IsDiskErrorStatus(0));
}

// A bottom-up frame whose every row starts with its own row number.
std::vector<uint8_t> NumberedFrame(int width, int height, std::size_t stride) {
  std::vector<uint8_t> frame(stride * height, 0xEE);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width * 3; ++x) {
      frame[row * stride + x] = static_cast<uint8_t>((row + x) & 0xFF);
    }
  }
  return frame;
}

TEST(StillFrame, CopiesEveryRowUpsideDown) {
  const std::vector<uint8_t> frame = NumberedFrame(320, 240, 960);
  Bitmap24 bitmap;
  ASSERT_TRUE(CopyBottomUpFrame(frame.data(), frame.size(), 320, 240, bitmap));
  ASSERT_EQ(bitmap.width(), 320);
  ASSERT_EQ(bitmap.height(), 240);
  ASSERT_EQ(bitmap.stride(), 960u);
  for (int i = 0; i < 240; ++i) {
    ASSERT_EQ(0, std::memcmp(bitmap.Row(239 - i), frame.data() + i * 960, 960)) << "row " << i;
  }
}

TEST(StillFrame, PaddedRowsAreReadWithTheirRealStride) {
  // 321 pixels need 963 bytes, padded to 964.
  ASSERT_EQ(Bitmap24::RowStride(321), 964u);
  const std::vector<uint8_t> frame = NumberedFrame(321, 5, 964);
  Bitmap24 bitmap;
  ASSERT_TRUE(CopyBottomUpFrame(frame.data(), frame.size(), 321, 5, bitmap));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(0, std::memcmp(bitmap.Row(4 - i), frame.data() + i * 964, 963)) << "row " << i;
  }
}

TEST(StillFrame, ShortBufferOrBadSizeLeavesTheBitmapAlone) {
  Bitmap24 bitmap;
  ASSERT_TRUE(bitmap.Resize(2, 2));
  bitmap.Row(0)[0] = 0x5A;
  const std::vector<uint8_t> frame = NumberedFrame(321, 5, 964);
  // One byte short of the padded frame.
  EXPECT_FALSE(CopyBottomUpFrame(frame.data(), frame.size() - 1, 321, 5, bitmap));
  EXPECT_FALSE(CopyBottomUpFrame(frame.data(), frame.size(), 0, 5, bitmap));
  EXPECT_FALSE(CopyBottomUpFrame(frame.data(), frame.size(), 321, -5, bitmap));
  EXPECT_FALSE(CopyBottomUpFrame(nullptr, frame.size(), 321, 5, bitmap));
  EXPECT_FALSE(CopyBottomUpFrame(frame.data(), SIZE_MAX, Bitmap24::kMaxSide + 1, 1, bitmap));
  EXPECT_EQ(bitmap.width(), 2);
  EXPECT_EQ(bitmap.Row(0)[0], 0x5A);
}

TEST(FormatText, DialogLines) {
  EXPECT_EQ(DescribeStreamFormat(320, 240, 24, 333333), "320 x 240, 24 bit, 30.00 fps");
  EXPECT_EQ(DescribeStreamFormat(640, -480, 24, 666666), "640 x 480, 24 bit, 15.00 fps");
  EXPECT_EQ(DescribeStreamFormat(160, 120, 24, 0), "160 x 120, 24 bit, ? fps");
}

TEST(BoundedCopy, WidePathIsCutTerminatedAndMayBeCopiedOntoItself) {
  wchar_t buffer[8];
  CopyWideText(buffer, 8, L"c:\\a.avi");
  EXPECT_EQ(std::wstring(buffer), L"c:\\a.av");
  // A rebuild hands a field back into itself: the text stays as it is.
  CopyWideText(buffer, 8, buffer);
  EXPECT_EQ(std::wstring(buffer), L"c:\\a.av");
  // Overlapping by one character, as a shifted path would.
  CopyWideText(buffer, 8, buffer + 1);
  EXPECT_EQ(std::wstring(buffer), L":\\a.av");
  CopyWideText(buffer, 8, nullptr);
  EXPECT_EQ(std::wstring(buffer), L"");
  CopyWideText(buffer, 1, L"x");
  EXPECT_EQ(buffer[0], L'\0');
}

TEST(BoundedCopy, FormatBlockKeepsThePinsSizeAndTail) {
  // A pin block of 88 header bytes plus a 16-byte tail (masks); the stored header is 88.
  std::vector<uint8_t> pin(104);
  for (std::size_t i = 0; i < pin.size(); ++i) pin[i] = static_cast<uint8_t>(i);
  const std::vector<uint8_t> stored(88, 0xAB);
  const std::vector<uint8_t> block =
      FormatBlockWithStoredHeader(pin.data(), pin.size(), stored.data(), stored.size());
  ASSERT_EQ(block.size(), pin.size()) << "the block must be as long as the size handed over";
  EXPECT_TRUE(std::equal(stored.begin(), stored.end(), block.begin()));
  EXPECT_TRUE(std::equal(pin.begin() + 88, pin.end(), block.begin() + 88)) << "tail lost";
  // Exactly the header: the stored bytes, nothing more.
  EXPECT_EQ(FormatBlockWithStoredHeader(pin.data(), 88, stored.data(), 88), stored);
  // A block shorter than the header cannot take it.
  EXPECT_TRUE(FormatBlockWithStoredHeader(pin.data(), 40, stored.data(), 88).empty());
  EXPECT_TRUE(FormatBlockWithStoredHeader(nullptr, 104, stored.data(), 88).empty());
}

// A video-info block of size bytes with the fields the dialog reads.
std::vector<uint8_t> VideoInfoBlock(int32_t width, int32_t height, uint16_t bits,
                                    int64_t frame_time, std::size_t size = kVideoInfoHeaderBytes) {
  std::vector<uint8_t> block(size, 0xEE);
  std::memcpy(block.data() + kVideoInfoFrameTimeOffset, &frame_time, sizeof(frame_time));
  std::memcpy(block.data() + kVideoInfoWidthOffset, &width, sizeof(width));
  std::memcpy(block.data() + kVideoInfoHeightOffset, &height, sizeof(height));
  std::memcpy(block.data() + kVideoInfoBitCountOffset, &bits, sizeof(bits));
  return block;
}

TEST(StreamCaps, BlocksOfAnySizeAndTheCurrentRow) {
  const MediaSubtype rgb{'R'};
  const MediaSubtype yuv{'Y'};
  const auto read = [](const MediaSubtype& subtype, const std::vector<uint8_t>& block,
                       std::size_t size) {
    return ReadVideoInfoBlock(true, subtype, block.data(), size);
  };
  const std::vector<uint8_t> vga = VideoInfoBlock(640, 480, 24, 333333, 120);
  const auto format = read(rgb, vga, vga.size());
  ASSERT_TRUE(format);
  EXPECT_EQ(CapabilityLine(*format), "640 x 480, 24 bit, 30.00 fps");
  EXPECT_FALSE(read(rgb, vga, kVideoInfoHeaderBytes - 1)) << "a block cut short";
  EXPECT_FALSE(ReadVideoInfoBlock(false, rgb, vga.data(), vga.size())) << "not video info";
  EXPECT_FALSE(ReadVideoInfoBlock(true, rgb, nullptr, 200));

  // What the pin claims for its capability records.
  EXPECT_EQ(CapsRecordBufferSize(3, 0), kVideoCapsRecordBytes);
  EXPECT_EQ(CapsRecordBufferSize(3, 1000), 1000u);
  EXPECT_EQ(CapsRecordBufferSize(0, 128), 0u);
  EXPECT_EQ(CapsRecordBufferSize(3, -1), 0u);
  EXPECT_EQ(CapsRecordBufferSize(3, kMaxCapsRecordBytes + 1), 0u);
  EXPECT_EQ(CapsRecordBufferSize(kMaxCapabilities + 1, 128), 0u);

  const std::vector<VideoFormatFields> rows = {
      *read(rgb, VideoInfoBlock(640, 480, 24, 333333), 88),
      *read(yuv, VideoInfoBlock(320, 240, 24, 333333), 88),
      *read(rgb, VideoInfoBlock(320, 240, 24, 666666), 88),
      *read(rgb, VideoInfoBlock(320, 240, 24, 333333), 88)};
  // The same frame time wins; a top-down current format matches its bottom-up row.
  EXPECT_EQ(ChooseCurrentCapability(rows, read(rgb, VideoInfoBlock(320, -240, 24, 333333), 88)),
            3);
  // Only the size matches: the first row of that size.
  EXPECT_EQ(ChooseCurrentCapability(rows, read(rgb, VideoInfoBlock(320, 240, 24, 1), 88)), 2);
  EXPECT_EQ(ChooseCurrentCapability(rows, read(yuv, VideoInfoBlock(640, 480, 24, 333333), 88)),
            0);
  EXPECT_EQ(ChooseCurrentCapability(rows, std::nullopt), 0);
  EXPECT_EQ(ChooseCurrentCapability({}, *rows.begin()), 0);
}

}  // namespace
}  // namespace kvo
