// libjpeg, cross-built from Debian's source: a 24-bit picture encoded at quality 90 as a
// baseline JFIF and decoded back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

std::vector<unsigned char> SmoothPicture() {
  std::vector<unsigned char> rgb(kWidth * kHeight * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      unsigned char* p = &rgb[(y * kWidth + x) * 3];
      p[0] = static_cast<unsigned char>(x * 4);
      p[1] = static_cast<unsigned char>(y * 5);
      p[2] = 128;
    }
  return rgb;
}

std::vector<unsigned char> Encode(const std::vector<unsigned char>& rgb) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  jpeg_mem_dest(&cinfo, &out, &out_size);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(&rgb[cinfo.next_scanline * kWidth * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<unsigned char> result(out, out + out_size);
  free(out);
  return result;
}

TEST(JpegSmoke, EncodesBaselineJfifAndDecodesBack) {
  const std::vector<unsigned char> rgb = SmoothPicture();
  const std::vector<unsigned char> jpeg = Encode(rgb);
  ASSERT_GT(jpeg.size(), 100u);
  EXPECT_EQ(0xFF, jpeg[0]);
  EXPECT_EQ(0xD8, jpeg[1]);
  EXPECT_EQ(0, memcmp(&jpeg[6], "JFIF", 4)) << "APP0 JFIF marker";
  bool baseline = false;
  for (size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) baseline = true;
  EXPECT_TRUE(baseline) << "SOF0 (baseline) frame";

  jpeg_decompress_struct dinfo;
  jpeg_error_mgr jerr;
  dinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&dinfo);
  jpeg_mem_src(&dinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  ASSERT_EQ(JPEG_HEADER_OK, jpeg_read_header(&dinfo, TRUE));
  jpeg_start_decompress(&dinfo);
  ASSERT_EQ(static_cast<JDIMENSION>(kWidth), dinfo.output_width);
  ASSERT_EQ(static_cast<JDIMENSION>(kHeight), dinfo.output_height);
  ASSERT_EQ(3, dinfo.output_components);
  std::vector<unsigned char> decoded(kWidth * kHeight * 3);
  while (dinfo.output_scanline < dinfo.output_height) {
    JSAMPROW row = &decoded[dinfo.output_scanline * kWidth * 3];
    jpeg_read_scanlines(&dinfo, &row, 1);
  }
  jpeg_finish_decompress(&dinfo);
  jpeg_destroy_decompress(&dinfo);

  int worst = 0;
  for (size_t i = 0; i < rgb.size(); ++i) worst = std::max(worst, std::abs(rgb[i] - decoded[i]));
  EXPECT_LE(worst, 12) << "quality 90 keeps a smooth picture close";
}

}  // namespace
