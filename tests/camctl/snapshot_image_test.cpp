// Decoding snapshot files: both formats, the conversion against the direct formula, and
// damaged files that must be refused before the bitmap is touched.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "planar_reference.h"
#include "snapshot_image.h"
#include "test_bitmap.h"

namespace kvo::cm {
namespace {

using test::PlanarReferenceByte;
using test::SnapshotFile;
using test::TestBitmap;

TEST(SnapshotImage, PackedStillLandsUpsideDownWithBytesUnchanged) {
  // File row 0 (the bottom of the picture) then file row 1.
  const std::vector<uint8_t> rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const auto file = SnapshotFile(0, 2, 2, rows);
  TestBitmap bitmap;
  ASSERT_TRUE(LoadSnapshot(file.data(), file.size(), bitmap));
  EXPECT_EQ("FWH", bitmap.calls);
  EXPECT_EQ(2, bitmap.width);
  EXPECT_EQ(2, bitmap.height);
  EXPECT_EQ((std::vector<uint8_t>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}), bitmap.pixels);
}

TEST(SnapshotImage, PlanarKnownPixels) {
  // 2 x 2: luma, then one byte of each chroma plane.
  auto grey = SnapshotFile(1, 2, 2, {128, 128, 128, 128, 128, 128});
  TestBitmap bitmap;
  ASSERT_TRUE(LoadSnapshot(grey.data(), grey.size(), bitmap));
  EXPECT_EQ(std::vector<uint8_t>(12, 128), bitmap.pixels);

  auto bright = SnapshotFile(7, 2, 2, {250, 250, 250, 250, 255, 128});
  ASSERT_TRUE(LoadSnapshot(bright.data(), bright.size(), bitmap));
  for (int pixel = 0; pixel < 4; ++pixel) {
    EXPECT_EQ(255, bitmap.pixels[pixel * 3 + 0]) << "limited";
    EXPECT_EQ(176, bitmap.pixels[pixel * 3 + 1]);
    EXPECT_EQ(250, bitmap.pixels[pixel * 3 + 2]);
  }
}

TEST(SnapshotImage, OddSizesUseRoundedUpChromaPlanes) {
  // 3 x 3: 9 luma bytes, then 2 x 2 bytes per chroma plane; each chroma sample differs.
  std::vector<uint8_t> pixels(9, 100);
  const std::vector<uint8_t> plane1 = {128, 178, 78, 228};
  const std::vector<uint8_t> plane2 = {128, 28, 228, 178};
  pixels.insert(pixels.end(), plane1.begin(), plane1.end());
  pixels.insert(pixels.end(), plane2.begin(), plane2.end());
  const auto file = SnapshotFile(1, 3, 3, pixels);
  TestBitmap bitmap;
  ASSERT_TRUE(LoadSnapshot(file.data(), file.size(), bitmap));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) {
      const int c = (y / 2) * 2 + x / 2;
      for (int i = 0; i < 3; ++i)
        EXPECT_EQ(PlanarReferenceByte(i, 100, plane1[c], plane2[c]), bitmap.At(y, x, i))
            << "x " << x << " y " << y << " byte " << i;
    }
  // One byte short of the second plane is refused.
  auto short_file = file;
  short_file.pop_back();
  EXPECT_FALSE(CheckSnapshot(short_file.data(), short_file.size()));
}

TEST(SnapshotImage, ConversionMatchesFormulaForEveryLumaChromaPair) {
  // Two pixels per call share one chroma sample: every (luma, plane) pair with the other
  // plane at each of a few values, and the row loop's odd tail too.
  std::vector<uint8_t> out(6);
  for (int other : {0, 1, 127, 128, 129, 200, 255})
    for (int chroma = 0; chroma < 256; ++chroma)
      for (int luma = 0; luma < 256; ++luma) {
        const uint8_t l[2] = {static_cast<uint8_t>(luma), static_cast<uint8_t>(255 - luma)};
        const uint8_t p = static_cast<uint8_t>(chroma), q = static_cast<uint8_t>(other);
        ConvertPlanarRow(l, &p, &q, 2, out.data());
        for (int i = 0; i < 3; ++i) {
          ASSERT_EQ(PlanarReferenceByte(i, l[0], p, q), out[i]) << luma << "," << chroma << "," << other;
          ASSERT_EQ(PlanarReferenceByte(i, l[1], p, q), out[3 + i]);
        }
        ConvertPlanarRow(l, &q, &p, 1, out.data());
        for (int i = 0; i < 3; ++i) ASSERT_EQ(PlanarReferenceByte(i, l[0], q, p), out[i]);
      }
}

TEST(SnapshotImage, ConversionMatchesFormulaForEveryTriple) {
  // All 2^24 (luma, plane 1, plane 2) triples: one row per chroma pair, luma 0..255.
  std::vector<uint8_t> luma(512);
  for (int i = 0; i < 512; ++i) luma[i] = static_cast<uint8_t>(i / 2);
  std::vector<uint8_t> plane1(256), plane2(256), out(512 * 3);
  for (int p = 0; p < 256; ++p) {
    for (int q = 0; q < 256; ++q) {
      std::fill(plane1.begin(), plane1.end(), static_cast<uint8_t>(p));
      std::fill(plane2.begin(), plane2.end(), static_cast<uint8_t>(q));
      ConvertPlanarRow(luma.data(), plane1.data(), plane2.data(), 512, out.data());
      for (int l = 0; l < 256; ++l)
        for (int i = 0; i < 3; ++i)
          ASSERT_EQ(PlanarReferenceByte(i, l, p, q), out[(2 * l) * 3 + i])
              << "L " << l << " P " << p << " Q " << q << " byte " << i;
    }
  }
}

TEST(SnapshotImage, RandomPlanarStillMatchesFormula) {
  std::mt19937 random(20261209);
  const int width = 321, height = 97, cw = 161, ch = 49;  // odd sizes
  std::vector<uint8_t> pixels(width * height + 2 * cw * ch);
  for (uint8_t& byte : pixels) byte = static_cast<uint8_t>(random());
  const auto file = SnapshotFile(2, width, height, pixels);
  TestBitmap bitmap;
  ASSERT_TRUE(LoadSnapshot(file.data(), file.size(), bitmap));
  EXPECT_EQ(-1, test::FirstPlanarMismatch(pixels.data(), width, height,
                                          [&](int y) { return bitmap.ScanLine(y); }));
}

TEST(SnapshotImage, DamagedFilesAreRefusedBeforeTheBitmapIsTouched) {
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
  };
  const std::vector<uint8_t> four_pixels(12, 9);
  std::vector<uint8_t> header_only = SnapshotFile(0, 2, 2, {});
  header_only.resize(23);
  const Case cases[] = {
      {"negative width", SnapshotFile(0, -2, 2, four_pixels)},
      {"negative height", SnapshotFile(0, 2, -2, four_pixels)},
      {"zero width", SnapshotFile(0, 0, 2, four_pixels)},
      {"zero height", SnapshotFile(1, 2, 0, four_pixels)},
      {"huge width", SnapshotFile(0, 0x7FFFFFFF, 1, four_pixels)},
      {"size overflows 32 bits", SnapshotFile(0, 0x10000, 0x5556, four_pixels)},
      {"planar size overflows", SnapshotFile(1, 0x40000001, 4, four_pixels)},
      {"packed one byte short", SnapshotFile(0, 2, 2, std::vector<uint8_t>(11, 9))},
      {"planar one byte short", SnapshotFile(1, 2, 2, std::vector<uint8_t>(5, 9))},
      {"header cut", header_only},
      {"empty", {}},
  };
  for (const Case& c : cases) {
    TestBitmap bitmap;
    bitmap.width = 5;
    bitmap.pixels.assign(15, 0x42);
    EXPECT_FALSE(LoadSnapshot(c.file.data(), c.file.size(), bitmap)) << c.what;
    EXPECT_EQ("", bitmap.calls) << c.what;
    EXPECT_EQ(std::vector<uint8_t>(15, 0x42), bitmap.pixels) << c.what;
  }
  EXPECT_FALSE(CheckSnapshot(nullptr, 100));
}

TEST(SnapshotImage, TrailingBytesAreIgnored) {
  auto file = SnapshotFile(0, 1, 1, {1, 2, 3, 4, 5});
  TestBitmap bitmap;
  ASSERT_TRUE(LoadSnapshot(file.data(), file.size(), bitmap));
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), bitmap.pixels);
}

class NoRowsBitmap : public TestBitmap {
 public:
  unsigned char* ScanLine(int) override { return nullptr; }
};

TEST(SnapshotImage, BitmapWithoutScanLinesFails) {
  const auto file = SnapshotFile(0, 2, 2, std::vector<uint8_t>(12, 1));
  NoRowsBitmap bitmap;
  EXPECT_FALSE(LoadSnapshot(file.data(), file.size(), bitmap));
}

}  // namespace
}  // namespace kvo::cm
