// The test picture and what the camera is sent: bars, mirror, flip, brightness, black and
// white, effects, frames, zoom and pan, the moving box, the clock and the overlay bitmap.
#include "picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace kvo::simcam {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct Picture {
  std::vector<uint8_t> pixels;
  int width = kWidth;
  int height = kHeight;

  // (x, y) with y = 0 the top row.
  Bgr At(int x, int y) const {
    const uint8_t* p = &pixels[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
    return Bgr{p[0], p[1], p[2]};
  }
};

Picture Render(const CameraSettings& settings, uint32_t frame = 0,
               const OverlayImage& overlay = OverlayImage(), int width = kWidth,
               int height = kHeight) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(static_cast<size_t>(width) * height * 3, 0xCD);
  RenderPicture(settings, overlay, PictureClock{frame, 12 * 3600 + 34 * 60 + 56}, width, height,
                picture.pixels.data(), static_cast<size_t>(width) * 3);
  return picture;
}

bool Same(const Bgr& a, const Bgr& b) {
  return a.blue == b.blue && a.green == b.green && a.red == b.red;
}

// The centre of bar i on a row of the bar area above the moving box.
int BarCentre(int bar) { return bar * kWidth / kBarCount + kWidth / (2 * kBarCount); }
constexpr int kBarRow = kHeight / 8;

TEST(PictureTest, PlainPictureShowsTheBarsLeftToRightOverAGreyRamp) {
  const Picture picture = Render(DefaultSettings());
  for (int bar = 0; bar < kBarCount; ++bar)
    EXPECT_TRUE(Same(BarColour(bar), picture.At(BarCentre(bar), kBarRow))) << "bar " << bar;
  const Bgr left = picture.At(4, kHeight * 3 / 4);
  const Bgr right = picture.At(kWidth - 5, kHeight * 3 / 4);
  EXPECT_EQ(left.blue, left.red) << "the ramp is grey";
  EXPECT_LT(left.green + 100, right.green) << "and rises to the right";
}

TEST(PictureTest, MirrorAndFlipTurnThePicture) {
  CameraSettings settings = DefaultSettings();
  settings.image[kMirror] = 1;
  Picture picture = Render(settings);
  for (int bar = 0; bar < kBarCount; ++bar)
    EXPECT_TRUE(Same(BarColour(kBarCount - 1 - bar), picture.At(BarCentre(bar), kBarRow)));
  settings = DefaultSettings();
  settings.image[kFlip] = 1;
  picture = Render(settings);
  EXPECT_TRUE(Same(BarColour(4), picture.At(BarCentre(4), kHeight - 1 - kBarRow)));
  const Bgr top = picture.At(BarCentre(1), 8);
  EXPECT_EQ(top.blue, top.red) << "the ramp is now at the top";
}

TEST(PictureTest, BrightnessContrastAndBlackAndWhiteChangeTheColours) {
  CameraSettings settings = DefaultSettings();
  settings.image[kBrightness] = 126;
  const Bgr bright = Render(settings).At(BarCentre(3), kBarRow);
  settings.image[kBrightness] = 0;
  const Bgr dark = Render(settings).At(BarCentre(3), kBarRow);
  EXPECT_GT(bright.green, BarColour(3).green);
  EXPECT_LT(dark.green, BarColour(3).green);

  settings = DefaultSettings();
  settings.image[kContrast] = 20000;
  const Picture contrasted = Render(settings);
  EXPECT_GT(contrasted.At(BarCentre(0), kBarRow).red, 240) << "white gets whiter";
  EXPECT_LT(contrasted.At(BarCentre(7), kBarRow).red, 16) << "black gets blacker";

  settings = DefaultSettings();
  settings.image[kBlackAndWhite] = 1;
  settings.image[kEffect] = 17;  // a coloured frame goes grey too
  const Picture grey = Render(settings);
  for (size_t i = 0; i < grey.pixels.size(); i += 3)
    ASSERT_TRUE(grey.pixels[i] == grey.pixels[i + 1] && grey.pixels[i] == grey.pixels[i + 2])
        << "pixel " << i / 3;
}

TEST(PictureTest, EveryEffectAndFrameLooksDifferent) {
  std::vector<std::vector<uint8_t>> seen;
  for (int effect = 0; effect <= 26; ++effect) {
    CameraSettings settings = DefaultSettings();
    settings.image[kEffect] = effect;
    const Picture picture = Render(settings);
    for (size_t other = 0; other < seen.size(); ++other)
      EXPECT_NE(seen[other], picture.pixels) << "effect " << effect << " equals " << other;
    seen.push_back(picture.pixels);
  }
  CameraSettings settings = DefaultSettings();
  settings.image[kEffect] = 1;
  EXPECT_EQ(255 - 235, Render(settings).At(BarCentre(0), kBarRow).red) << "negative";
  settings.image[kEffect] = 17;
  const Picture framed = Render(settings);
  EXPECT_FALSE(Same(framed.At(0, 0), Render(DefaultSettings()).At(0, 0))) << "a frame at the edge";
  EXPECT_TRUE(Same(framed.At(0, 0), framed.At(kWidth - 1, kHeight / 2)));
}

TEST(PictureTest, ZoomShowsTheMiddleAndPanMovesTheWindow) {
  CameraSettings settings = DefaultSettings();
  settings.zoom[kZoomLevel] = 64;  // factor 2: a quarter of the bars left and right go
  EXPECT_EQ(Render(DefaultSettings()).pixels, Render(settings).pixels)
      << "the level alone does nothing while zoom is off";
  settings.zoom[kZoomEnable] = 1;
  settings.pan_y = -64;  // the top half: bars without the moving box
  Picture zoomed = Render(settings);
  EXPECT_TRUE(Same(BarColour(2), zoomed.At(4, kBarRow)));
  EXPECT_TRUE(Same(BarColour(5), zoomed.At(kWidth - 5, kBarRow)));
  settings.pan_x = -64;
  zoomed = Render(settings);
  EXPECT_TRUE(Same(BarColour(0), zoomed.At(4, kBarRow))) << "panned fully left";
  EXPECT_TRUE(Same(BarColour(3), zoomed.At(kWidth - 5, kBarRow)));
}

TEST(PictureTest, TheBoxMovesAndTheCounterChangesWithTheFrame) {
  const Picture first = Render(DefaultSettings(), 0);
  const Picture later = Render(DefaultSettings(), 30);
  EXPECT_EQ(first.pixels, Render(DefaultSettings(), 0).pixels) << "same input, same picture";
  EXPECT_NE(first.pixels, later.pixels);
  EXPECT_TRUE(Same(first.At(kWidth / 16, kHeight / 3), Bgr{16, 16, 16})) << "box at the start";
  EXPECT_FALSE(Same(later.At(kWidth / 16, kHeight / 3), Bgr{16, 16, 16})) << "and gone on";
  // The counter sits at the bottom left: frames 0 and 1 differ there only.
  const Picture next = Render(DefaultSettings(), 1);
  int differing = 0;
  for (int y = kHeight / 2; y < kHeight; ++y)
    for (int x = 0; x < kWidth / 4; ++x) differing += !Same(first.At(x, y), next.At(x, y));
  EXPECT_GT(differing, 0);
}

std::vector<uint8_t> Bmp(int width, int height, int bits, bool bottom_up) {
  const int bytes_per_pixel = bits / 8;
  const int stride = (width * bytes_per_pixel + 3) & ~3;
  std::vector<uint8_t> file(54 + static_cast<size_t>(stride) * height, 0);
  auto put32 = [&file](size_t at, uint32_t value) { std::memcpy(&file[at], &value, 4); };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(bottom_up ? height : -height));
  file[26] = 1;
  file[28] = static_cast<uint8_t>(bits);
  for (int row = 0; row < height; ++row) {
    const int top_row = bottom_up ? height - 1 - row : row;
    for (int x = 0; x < width && bytes_per_pixel >= 3; ++x) {
      uint8_t* p = &file[54 + static_cast<size_t>(row) * stride + x * bytes_per_pixel];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(top_row);
      p[2] = 200;
    }
  }
  return file;
}

TEST(PictureTest, OverlayBitmapsAreReadInEitherRowOrderAndDamagedOnesRefused) {
  for (bool bottom_up : {true, false}) {
    for (int bits : {24, 32}) {
      const std::vector<uint8_t> file = Bmp(5, 3, bits, bottom_up);
      const OverlayImage image = OverlayFromBmp(file.data(), file.size());
      ASSERT_EQ(5, image.width) << bits << " bits";
      ASSERT_EQ(3, image.height);
      EXPECT_EQ(4, image.pixels[(2 * 5 + 4) * 3]) << "x of pixel (4, 2)";
      EXPECT_EQ(2, image.pixels[(2 * 5 + 4) * 3 + 1]) << "top row first";
    }
  }
  std::vector<uint8_t> file = Bmp(5, 3, 24, true);
  EXPECT_TRUE(OverlayFromBmp(file.data(), file.size() - 1).empty()) << "truncated";
  EXPECT_TRUE(OverlayFromBmp(file.data(), 20).empty()) << "header only";
  std::vector<uint8_t> eight = Bmp(8, 2, 8, true);
  EXPECT_TRUE(OverlayFromBmp(eight.data(), eight.size()).empty()) << "palette bitmaps";
  std::vector<uint8_t> huge = Bmp(5, 3, 24, true);
  const uint32_t width = 100000;
  std::memcpy(&huge[18], &width, 4);
  EXPECT_TRUE(OverlayFromBmp(huge.data(), huge.size()).empty());
  std::vector<uint8_t> offset = Bmp(5, 3, 24, true);
  const uint32_t beyond = 0xFFFFFFF0u;
  std::memcpy(&offset[10], &beyond, 4);
  EXPECT_TRUE(OverlayFromBmp(offset.data(), offset.size()).empty());
}

TEST(PictureTest, OverlayLiesAtTheTopRightWithPureBlueTransparent) {
  OverlayImage overlay;
  overlay.width = 3;
  overlay.height = 1;
  overlay.pixels = {1, 2, 3, 255, 0, 0, 255, 0, 255};  // blue, green, red
  const Picture plain = Render(DefaultSettings());
  const Picture covered = Render(DefaultSettings(), 0, overlay);
  EXPECT_TRUE(Same(Bgr{1, 2, 3}, covered.At(kWidth - 7, 4)));
  EXPECT_TRUE(Same(plain.At(kWidth - 6, 4), covered.At(kWidth - 6, 4))) << "pure blue is not drawn";
  EXPECT_TRUE(Same(Bgr{255, 0, 255}, covered.At(kWidth - 5, 4))) << "magenta is a colour";
  OverlayImage wide;
  wide.width = 1000;
  wide.height = 1000;
  wide.pixels.assign(1000 * 1000 * 3, 9);
  const Picture clipped = Render(DefaultSettings(), 0, wide, 16, 12);
  EXPECT_TRUE(Same(Bgr{9, 9, 9}, clipped.At(0, 11)));
}

TEST(PictureTest, SmallSizesAndPaddedRowsStayInsideTheBuffer) {
  for (const auto& size : {std::pair<int, int>{1, 1}, {2, 2}, {3, 7}, {17, 5}}) {
    CameraSettings settings = DefaultSettings();
    settings.zoom[kZoomEnable] = 1;
    settings.zoom[kZoomLevel] = 64;
    settings.image[kEffect] = 26;
    const size_t stride = static_cast<size_t>(size.first) * 3 + 5;
    std::vector<uint8_t> buffer(stride * size.second + 16, 0xAB);
    RenderPicture(settings, OverlayImage(), PictureClock{123456, 86399}, size.first, size.second,
                  buffer.data(), stride);
    for (int y = 0; y < size.second; ++y)
      for (size_t pad = size.first * 3; pad < stride; ++pad)
        EXPECT_EQ(0xAB, buffer[y * stride + pad]) << "padding untouched";
    for (size_t tail = stride * size.second; tail < buffer.size(); ++tail)
      EXPECT_EQ(0xAB, buffer[tail]);
  }
  std::vector<uint8_t> small(10, 0x11);
  RenderPicture(DefaultSettings(), OverlayImage(), PictureClock{}, 4, 4, small.data(), 3);
  EXPECT_EQ(std::vector<uint8_t>(10, 0x11), small) << "a stride shorter than a row: nothing drawn";
}

}  // namespace
}  // namespace kvo::simcam
