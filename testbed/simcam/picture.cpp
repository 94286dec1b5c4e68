#include "picture.h"

#include <algorithm>
#include <cstring>

namespace kvo::simcam {
namespace {

constexpr int kFrameEffectFirst = 17;
constexpr int kFrameEffectLast = 26;
constexpr int kDigitWidth = 5;
constexpr int kDigitHeight = 7;

// 5 x 7 glyphs of 0-9 and ':', one byte per row, bit 4 the leftmost column.
constexpr uint8_t kGlyphs[11][kDigitHeight] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}};

uint8_t ToByte(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

int Luma(const Bgr& c) { return (29 * c.blue + 150 * c.green + 77 * c.red) >> 8; }

Bgr Grey(int value) { return Bgr{ToByte(value), ToByte(value), ToByte(value)}; }

Bgr ApplyEffect(int effect, const Bgr& c) {
  const int l = Luma(c);
  auto each = [&c](auto f) { return Bgr{ToByte(f(c.blue)), ToByte(f(c.green)), ToByte(f(c.red))}; };
  switch (effect) {
    case 1: return each([](int v) { return 255 - v; });                      // negative
    case 2: return Bgr{ToByte(l * 7 / 10), ToByte(l * 9 / 10), ToByte(l + 20)};  // sepia
    case 3: return each([](int v) { return v > 128 ? 255 - v : v; });        // solarize
    case 4: return each([](int v) { return (v & 0xC0) | 0x20; });            // posterize
    case 5: return Bgr{ToByte(c.blue / 4), ToByte(c.green / 4), c.red};      // red only
    case 6: return Bgr{ToByte(c.blue / 4), c.green, ToByte(c.red / 4)};      // green only
    case 7: return Bgr{c.blue, ToByte(c.green / 4), ToByte(c.red / 4)};      // blue only
    case 8: return Bgr{c.red, c.green, c.blue};                              // red and blue swapped
    case 9: return Bgr{c.green, c.red, c.blue};                              // channels rotated
    case 10: return each([](int v) { return v < 128 ? 0 : 255; });           // high contrast
    case 11: return each([](int v) { return v / 2 + 128; });                 // pastel
    case 12: return each([](int v) { return v / 2; });                       // dark
    case 13: return Bgr{ToByte(c.blue + 40), c.green, ToByte(c.red - 40)};   // cold
    case 14: return Bgr{ToByte(c.blue - 40), c.green, ToByte(c.red + 40)};   // warm
    case 15: return Grey(255 - l);                                           // grey negative
    case 16: return Bgr{ToByte(l), ToByte(l * 3 / 4), ToByte(l / 2)};        // cyanotype
    default: return c;
  }
}

// Brightness, contrast, black-and-white and the colour effects, in that order.
class ColourProcess {
 public:
  explicit ColourProcess(const CameraSettings& settings)
      : offset_((settings.image[kBrightness] - 63) * 2),
        contrast_per_mille_(settings.image[kContrast] / 15),
        black_and_white_(settings.image[kBlackAndWhite] != 0),
        effect_(settings.image[kEffect]) {}

  Bgr operator()(const Bgr& input) const {
    auto adjust = [this](int v) {
      return ToByte((v - 128) * contrast_per_mille_ / 1000 + 128 + offset_);
    };
    Bgr c{adjust(input.blue), adjust(input.green), adjust(input.red)};
    if (black_and_white_) c = Grey(Luma(c));
    return ApplyEffect(effect_, c);
  }
  bool black_and_white() const { return black_and_white_; }

 private:
  int offset_;
  int contrast_per_mille_;
  bool black_and_white_;
  int effect_;
};

// Where each output column and row looks into the scene (zoom window, pan, mirror, flip).
struct SceneMap {
  std::vector<int> column;  // scene x of output column x
  std::vector<int> row;     // scene y of output row y (0 = top)
};

std::vector<int> MapAxis(int size, bool zoomed, int level, int pan, bool reversed) {
  const int window = zoomed ? std::max(1, size * (128 - level) / 128) : size;
  int start = (size - window) / 2 + (zoomed ? pan * size / 256 : 0);
  start = std::clamp(start, 0, size - window);
  std::vector<int> map(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i) {
    const int source = reversed ? size - 1 - i : i;
    map[static_cast<size_t>(i)] =
        start + static_cast<int>((static_cast<int64_t>(2 * source + 1) * window) / (2 * size));
  }
  return map;
}

SceneMap MapScene(const CameraSettings& settings, int width, int height) {
  const bool zoomed = settings.zoom[kZoomEnable] != 0 && settings.zoom[kZoomLevel] > 0;
  const int level = settings.zoom[kZoomLevel];
  return SceneMap{
      MapAxis(width, zoomed, level, settings.pan_x, settings.image[kMirror] != 0),
      MapAxis(height, zoomed, level, settings.pan_y, settings.image[kFlip] != 0)};
}

class Canvas {
 public:
  Canvas(uint8_t* bottom_up, size_t stride, int width, int height)
      : pixels_(bottom_up), stride_(stride), width_(width), height_(height) {}
  uint8_t* Row(int top_row) const {
    return pixels_ + static_cast<size_t>(height_ - 1 - top_row) * stride_;
  }
  void Put(int x, int y, const Bgr& c) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* p = Row(y) + static_cast<size_t>(x) * 3;
    p[0] = c.blue;
    p[1] = c.green;
    p[2] = c.red;
  }
  void Fill(int left, int top, int right, int bottom, const Bgr& c) const {
    for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y)
      for (int x = std::max(left, 0); x < std::min(right, width_); ++x) Put(x, y, c);
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  uint8_t* pixels_;
  size_t stride_;
  int width_;
  int height_;
};

void DrawScene(const Canvas& canvas, const SceneMap& map, const ColourProcess& process,
               uint32_t frame_number) {
  const int width = canvas.width();
  const int height = canvas.height();
  std::vector<uint8_t> bars(static_cast<size_t>(width) * 3);
  std::vector<uint8_t> ramp(bars.size());
  for (int x = 0; x < width; ++x) {
    const int scene_x = map.column[static_cast<size_t>(x)];
    const Bgr bar = process(BarColour(scene_x * kBarCount / width));
    const Bgr grey = process(Grey(scene_x * 255 / std::max(1, width - 1)));
    std::memcpy(&bars[static_cast<size_t>(x) * 3], &bar, 3);
    std::memcpy(&ramp[static_cast<size_t>(x) * 3], &grey, 3);
  }
  // The moving box travels along the bars, one scene pixel per frame per 64 of width.
  const int box_width = std::max(2, width / 8);
  const int box_height = std::max(2, height / 6);
  const int travel = std::max(1, width - box_width);
  const int box_left = static_cast<int>((static_cast<uint64_t>(frame_number) *
                                         static_cast<uint64_t>(std::max(1, width / 64))) %
                                        static_cast<uint64_t>(travel));
  const int box_top = height / 3 - box_height / 2;
  const Bgr box = process(Bgr{16, 16, 16});
  for (int y = 0; y < height; ++y) {
    const int scene_y = map.row[static_cast<size_t>(y)];
    uint8_t* row = canvas.Row(y);
    std::memcpy(row, scene_y < height * 2 / 3 ? bars.data() : ramp.data(), bars.size());
    if (scene_y < box_top || scene_y >= box_top + box_height) continue;
    for (int x = 0; x < width; ++x) {
      const int scene_x = map.column[static_cast<size_t>(x)];
      if (scene_x >= box_left && scene_x < box_left + box_width) canvas.Put(x, y, box);
    }
  }
}

void DrawText(const Canvas& canvas, const std::string& text, int left, int top, int scale) {
  const int advance = (kDigitWidth + 1) * scale;
  canvas.Fill(left - scale, top - scale, left + advance * static_cast<int>(text.size()),
              top + (kDigitHeight + 1) * scale, Bgr{255, 255, 255});
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const int glyph = c == ':' ? 10 : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (glyph < 0) continue;
    const int x0 = left + static_cast<int>(i) * advance;
    for (int gy = 0; gy < kDigitHeight; ++gy)
      for (int gx = 0; gx < kDigitWidth; ++gx)
        if (kGlyphs[glyph][gy] & (0x10 >> gx))
          canvas.Fill(x0 + gx * scale, top + gy * scale, x0 + (gx + 1) * scale,
                      top + (gy + 1) * scale, Bgr{0, 0, 0});
  }
}

std::string TwoDigits(uint32_t value) {
  return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
         static_cast<char>('0' + value % 10);
}

void DrawClock(const Canvas& canvas, const PictureClock& clock) {
  const int scale = std::max(1, canvas.height() / 120);
  std::string counter = std::to_string(clock.frame_number % 1000000);
  counter.insert(0, 6 - counter.size(), '0');
  const uint32_t s = clock.seconds_of_day % 86400;
  const std::string time = TwoDigits(s / 3600) + ":" + TwoDigits(s / 60 % 60) + ":" +
                           TwoDigits(s % 60);
  const int line = (kDigitHeight + 3) * scale;
  const int top = canvas.height() - 2 * line - scale;
  DrawText(canvas, counter, 2 * scale, top, scale);
  DrawText(canvas, time, 2 * scale, top + line, scale);
}

void DrawFrame(const Canvas& canvas, int effect, bool black_and_white) {
  static const Bgr kFrameColours[5] = {
      {0, 215, 255}, {200, 60, 20}, {40, 160, 40}, {180, 40, 180}, {60, 60, 200}};
  const int index = effect - kFrameEffectFirst;
  Bgr colour = kFrameColours[index % 5];
  if (black_and_white) colour = Grey(Luma(colour));
  const int thickness = std::max(2, canvas.height() / 24) * (1 + index / 5);
  const int w = canvas.width();
  const int h = canvas.height();
  canvas.Fill(0, 0, w, thickness, colour);
  canvas.Fill(0, h - thickness, w, h, colour);
  canvas.Fill(0, 0, thickness, h, colour);
  canvas.Fill(w - thickness, 0, w, h, colour);
}

void DrawOverlay(const Canvas& canvas, const OverlayImage& overlay) {
  if (overlay.empty()) return;
  const int left = canvas.width() - overlay.width - 4;
  for (int y = 0; y < overlay.height && 4 + y < canvas.height(); ++y) {
    for (int x = 0; x < overlay.width; ++x) {
      const uint8_t* p = &overlay.pixels[(static_cast<size_t>(y) * overlay.width + x) * 3];
      if (p[0] == 255 && p[1] == 0 && p[2] == 0) continue;  // pure blue: the banner's background
      canvas.Put(left + x, 4 + y, Bgr{p[0], p[1], p[2]});
    }
  }
}

uint32_t ReadLittle(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

}  // namespace

Bgr BarColour(int bar) {
  // 75 % bars, so that every colour survives the 4:2:0 still format unclipped.
  static const Bgr kBars[kBarCount] = {{235, 235, 235}, {0, 191, 191}, {191, 191, 0},
                                       {0, 191, 0},     {191, 0, 191}, {0, 0, 191},
                                       {191, 0, 0},     {16, 16, 16}};
  return kBars[std::clamp(bar, 0, kBarCount - 1)];
}

OverlayImage OverlayFromBmp(const uint8_t* bytes, size_t size) {
  constexpr size_t kFileHeader = 14;
  constexpr size_t kInfoHeader = 40;
  OverlayImage image;
  if (bytes == nullptr || size < kFileHeader + kInfoHeader || bytes[0] != 'B' || bytes[1] != 'M')
    return image;
  const uint32_t offset = ReadLittle(bytes + 10, 4);
  const uint8_t* info = bytes + kFileHeader;
  const int32_t width = static_cast<int32_t>(ReadLittle(info + 4, 4));
  const int32_t raw_height = static_cast<int32_t>(ReadLittle(info + 8, 4));
  const uint32_t bits = ReadLittle(info + 14, 2);
  const uint32_t compression = ReadLittle(info + 16, 4);
  const bool bottom_up = raw_height > 0;
  const int64_t height = bottom_up ? raw_height : -static_cast<int64_t>(raw_height);
  if (width <= 0 || width > 4096 || height <= 0 || height > 4096 ||
      (bits != 24 && bits != 32) || (compression != 0 && !(bits == 32 && compression == 3)))
    return image;
  const size_t bytes_per_pixel = bits / 8;
  const size_t stride = (static_cast<size_t>(width) * bytes_per_pixel + 3) & ~size_t{3};
  if (offset > size || (size - offset) / stride < static_cast<size_t>(height)) return image;
  image.width = width;
  image.height = static_cast<int>(height);
  image.pixels.resize(static_cast<size_t>(width) * image.height * 3);
  for (int y = 0; y < image.height; ++y) {
    const size_t file_row = bottom_up ? static_cast<size_t>(image.height - 1 - y)
                                      : static_cast<size_t>(y);
    const uint8_t* source = bytes + offset + file_row * stride;
    for (int x = 0; x < width; ++x)
      std::memcpy(&image.pixels[(static_cast<size_t>(y) * width + x) * 3],
                  source + static_cast<size_t>(x) * bytes_per_pixel, 3);
  }
  return image;
}

void RenderPicture(const CameraSettings& settings, const OverlayImage& overlay,
                   const PictureClock& clock, int width, int height, uint8_t* bottom_up,
                   size_t stride) {
  if (bottom_up == nullptr || width <= 0 || height <= 0 ||
      stride < static_cast<size_t>(width) * 3)
    return;
  const Canvas canvas(bottom_up, stride, width, height);
  const ColourProcess process(settings);
  DrawScene(canvas, MapScene(settings, width, height), process, clock.frame_number);
  const int effect = settings.image[kEffect];
  if (effect >= kFrameEffectFirst && effect <= kFrameEffectLast)
    DrawFrame(canvas, effect, process.black_and_white());
  DrawClock(canvas, clock);
  DrawOverlay(canvas, overlay);
}

}  // namespace kvo::simcam
