// The still bitmap as the camera library fills it, and its JPEG file decoded back.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

#include <jpeglib.h>

#include "bitmap_target.h"
#include "jpeg_writer.h"

namespace kvo {
namespace {

// Fills the bitmap through the target interface, as the library does: blue, green, red.
void FillGradient(Bitmap24& bitmap, int width, int height) {
  BitmapTarget target(bitmap);
  target.SetPixelFormat24();
  target.SetWidth(width);
  target.SetHeight(height);
  for (int y = 0; y < height; ++y) {
    unsigned char* row = target.ScanLine(y);
    ASSERT_NE(nullptr, row) << "row " << y;
    for (int x = 0; x < width; ++x) {
      // A smooth picture, different in each channel.
      row[x * 3 + 0] = static_cast<unsigned char>(40 + (y * 150) / height);   // blue
      row[x * 3 + 1] = static_cast<unsigned char>((x * 255) / width);         // green
      row[x * 3 + 2] = static_cast<unsigned char>(220 - (x * 100) / width);   // red
    }
  }
}

struct Decoded {
  int width = 0;
  int height = 0;
  int components = 0;
  bool progressive = true;
  bool jfif = false;
  std::vector<unsigned char> rgb;
};

Decoded Decode(const std::vector<std::uint8_t>& file) {
  Decoded decoded;
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  decoded.progressive = info.progressive_mode;
  decoded.jfif = info.saw_JFIF_marker;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  decoded.width = static_cast<int>(info.output_width);
  decoded.height = static_cast<int>(info.output_height);
  decoded.components = info.output_components;
  decoded.rgb.resize(static_cast<size_t>(decoded.width) * decoded.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &decoded.rgb[static_cast<size_t>(info.output_scanline) * decoded.width * 3];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return decoded;
}

TEST(PictureTest, BitmapTakesTheLibrarysSizesAndRefusesRowsOutside) {
  Bitmap24 bitmap;
  BitmapTarget target(bitmap);
  EXPECT_TRUE(bitmap.empty());
  EXPECT_EQ(nullptr, target.ScanLine(0)) << "an empty bitmap has no rows";
  FillGradient(bitmap, 161, 120);
  EXPECT_EQ(161, bitmap.width());
  EXPECT_EQ(120, bitmap.height());
  EXPECT_EQ(484u, bitmap.stride()) << "rows padded to four bytes";
  EXPECT_EQ(nullptr, target.ScanLine(-1));
  EXPECT_EQ(nullptr, target.ScanLine(120));
  EXPECT_NE(nullptr, target.ScanLine(119));

  Bitmap24 copy = bitmap;  // the viewer gets a copy
  EXPECT_EQ(bitmap.pixels(), copy.pixels());

  target.SetWidth(0);
  EXPECT_TRUE(bitmap.empty()) << "a side out of range empties the picture";
  EXPECT_EQ(0, bitmap.width());
  target.SetWidth(Bitmap24::kMaxSide + 1);
  EXPECT_TRUE(bitmap.empty());
  EXPECT_FALSE(copy.empty());
}

TEST(PictureTest, StillIsABaselineColourJfifThatDecodesToItsPixels) {
  Bitmap24 bitmap;
  FillGradient(bitmap, 320, 240);
  std::string error;
  const std::vector<std::uint8_t> file = EncodeJpeg(bitmap, kStillJpegQuality, &error);
  ASSERT_FALSE(file.empty()) << error;
  ASSERT_GT(file.size(), 4u);
  EXPECT_EQ(0xFF, file[0]);
  EXPECT_EQ(0xD8, file[1]);

  const Decoded decoded = Decode(file);
  EXPECT_TRUE(decoded.jfif);
  EXPECT_FALSE(decoded.progressive);
  EXPECT_EQ(3, decoded.components);
  ASSERT_EQ(320, decoded.width);
  ASSERT_EQ(240, decoded.height);
  // Quality 90 keeps a smooth picture within a few levels; red and blue come out in their
  // places (the bitmap holds blue first).
  int worst = 0;
  for (int y = 0; y < 240; ++y) {
    const unsigned char* source = bitmap.Row(y);
    for (int x = 0; x < 320; ++x) {
      const unsigned char* got = &decoded.rgb[(static_cast<size_t>(y) * 320 + x) * 3];
      for (int c = 0; c < 3; ++c) {
        const int diff = std::abs(static_cast<int>(got[c]) - source[x * 3 + (2 - c)]);
        if (diff > worst) worst = diff;
      }
    }
  }
  EXPECT_LE(worst, 12) << "largest difference of a channel";

  // Quality matters: 90 is larger than 50 for the same picture.
  EXPECT_GT(file.size(), EncodeJpeg(bitmap, 50).size());
}

// A still that compresses badly: pseudo-random pixels, the same each time.
void FillNoise(Bitmap24& bitmap, int width, int height) {
  BitmapTarget target(bitmap);
  target.SetWidth(width);
  target.SetHeight(height);
  std::uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    unsigned char* row = target.ScanLine(y);
    ASSERT_NE(nullptr, row) << "row " << y;
    for (int x = 0; x < width * 3; ++x) {
      state = state * 1103515245u + 12345u;
      row[x] = static_cast<unsigned char>(state >> 24);
    }
  }
}

// Output memory that gives a number of blocks and then runs out, as a machine short of
// memory does while a large still grows. It keeps the blocks it gave until they come back,
// so a block released twice, or never, is counted instead of corrupting the heap.
struct MemoryLedger {
  int blocks_left = 0;
  int requests = 0;
  int stray_releases = 0;  // blocks not given, or given back already
  std::set<void*> out;
};
MemoryLedger ledger;

void* LedgerAllocate(std::size_t bytes) {
  ++ledger.requests;
  if (ledger.blocks_left == 0) return nullptr;
  --ledger.blocks_left;
  void* block = std::malloc(bytes);
  if (block != nullptr) ledger.out.insert(block);
  return block;
}

void LedgerRelease(void* block) {
  if (ledger.out.erase(block) == 0) {
    ++ledger.stray_releases;
    return;
  }
  std::free(block);
}

constexpr JpegOutputMemory kLedgerMemory{&LedgerAllocate, &LedgerRelease};

TEST(PictureTest, OutputMemoryRunningOutFailsTheStillAndReleasesEveryBlockOnce) {
  Bitmap24 bitmap;
  FillNoise(bitmap, 640, 480);
  const std::vector<std::uint8_t> reference = EncodeJpeg(bitmap, kStillJpegQuality);
  ASSERT_GT(reference.size(), 256u * 1024) << "the still must outgrow the second block";

  // Out of memory at the second growth, after the file has moved once.
  ledger = MemoryLedger{};
  ledger.blocks_left = 2;
  std::string error;
  EXPECT_TRUE(EncodeJpeg(bitmap, kStillJpegQuality, &error, kLedgerMemory).empty());
  EXPECT_NE(std::string::npos, error.find("memory")) << error;
  EXPECT_EQ(3, ledger.requests);
  EXPECT_EQ(0, ledger.stray_releases);
  EXPECT_TRUE(ledger.out.empty()) << ledger.out.size() << " blocks never released";

  // Out of memory before the first byte.
  ledger = MemoryLedger{};
  error.clear();
  EXPECT_TRUE(EncodeJpeg(bitmap, kStillJpegQuality, &error, kLedgerMemory).empty());
  EXPECT_NE(std::string::npos, error.find("memory")) << error;
  EXPECT_EQ(1, ledger.requests);

  // Enough memory: the same file as from the heap, every block back.
  ledger = MemoryLedger{};
  ledger.blocks_left = 100;
  EXPECT_EQ(reference, EncodeJpeg(bitmap, kStillJpegQuality, nullptr, kLedgerMemory));
  EXPECT_GE(ledger.requests, 3);
  EXPECT_EQ(0, ledger.stray_releases);
  EXPECT_TRUE(ledger.out.empty());
  const Decoded decoded = Decode(reference);
  EXPECT_EQ(640, decoded.width);
  EXPECT_EQ(480, decoded.height);
}

TEST(PictureTest, EmptyBitmapGivesNoFile) {
  Bitmap24 bitmap;
  std::string error;
  EXPECT_TRUE(EncodeJpeg(bitmap, kStillJpegQuality, &error).empty());
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kvo
