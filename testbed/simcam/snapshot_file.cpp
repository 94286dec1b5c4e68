#include "snapshot_file.h"

#include <algorithm>
#include <cstring>

#include "driver_records.h"

namespace kvo::simcam {
namespace {

constexpr int kMaxSide = 8192;

uint8_t Limit(float value) {
  return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f));
}

struct Planes {
  int chroma_width;
  int chroma_height;
  size_t luma_size;
  size_t chroma_size;
};

Planes PlanesOf(int width, int height) {
  Planes p;
  p.chroma_width = (width + 1) / 2;
  p.chroma_height = (height + 1) / 2;
  p.luma_size = static_cast<size_t>(width) * height;
  p.chroma_size = static_cast<size_t>(p.chroma_width) * p.chroma_height;
  return p;
}

// Top-down pixel (x, y) of a bottom-up picture.
const uint8_t* PixelAt(const uint8_t* picture, int width, int height, int x, int y) {
  return picture + (static_cast<size_t>(height - 1 - y) * width + x) * 3;
}

void WritePlanar(const uint8_t* picture, int width, int height, uint8_t* out) {
  const Planes p = PlanesOf(width, height);
  uint8_t* luma = out;
  uint8_t* plane1 = out + p.luma_size;
  uint8_t* plane2 = plane1 + p.chroma_size;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* c = PixelAt(picture, width, height, x, y);
      luma[static_cast<size_t>(y) * width + x] =
          Limit(0.299f * c[0] + 0.587f * c[1] + 0.114f * c[2] + 0.5f);
    }
  }
  for (int cy = 0; cy < p.chroma_height; ++cy) {
    for (int cx = 0; cx < p.chroma_width; ++cx) {
      float first = 0, third = 0, l = 0;
      int count = 0;
      for (int y = 2 * cy; y < std::min(2 * cy + 2, height); ++y) {
        for (int x = 2 * cx; x < std::min(2 * cx + 2, width); ++x) {
          const uint8_t* c = PixelAt(picture, width, height, x, y);
          first += c[0];
          third += c[2];
          l += 0.299f * c[0] + 0.587f * c[1] + 0.114f * c[2];
          ++count;
        }
      }
      first /= count;
      third /= count;
      l /= count;
      const size_t at = static_cast<size_t>(cy) * p.chroma_width + cx;
      plane1[at] = Limit((first - l) / 1.14f + 128.5f);
      plane2[at] = Limit((third - l) / 2.03f + 128.5f);
    }
  }
}

}  // namespace

std::vector<uint8_t> BuildSnapshotFile(const uint8_t* picture, int width, int height,
                                       bool planar, const StillStamp& stamp) {
  if (picture == nullptr || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
    return {};
  SnapshotHeader header;
  std::memset(&header, 0, sizeof(header));
  header.format = planar ? kSnapshotPlanar : kSnapshotPacked;
  header.width = width;
  header.height = height;
  std::memcpy(header.unused12, &stamp.frame_number, 4);
  std::memcpy(header.unused12 + 4, &stamp.seconds_of_day, 4);
  const Planes p = PlanesOf(width, height);
  const size_t pixel_bytes = planar ? p.luma_size + 2 * p.chroma_size : p.luma_size * 3;
  std::vector<uint8_t> file(sizeof(header) + pixel_bytes);
  std::memcpy(file.data(), &header, sizeof(header));
  if (planar)
    WritePlanar(picture, width, height, file.data() + sizeof(header));
  else
    std::memcpy(file.data() + sizeof(header), picture, pixel_bytes);
  return file;
}

DecodedSnapshot DecodeSnapshotFile(const uint8_t* bytes, size_t size) {
  DecodedSnapshot decoded;
  SnapshotHeader header;
  if (bytes == nullptr || size < sizeof(header)) return decoded;
  std::memcpy(&header, bytes, sizeof(header));
  if (header.width <= 0 || header.height <= 0 || header.width > kMaxSide ||
      header.height > kMaxSide)
    return decoded;
  const int width = header.width;
  const int height = header.height;
  const Planes p = PlanesOf(width, height);
  const bool planar = header.format != kSnapshotPacked;
  const size_t pixel_bytes = planar ? p.luma_size + 2 * p.chroma_size : p.luma_size * 3;
  if (size - sizeof(header) < pixel_bytes) return decoded;
  const uint8_t* pixels = bytes + sizeof(header);
  decoded.bottom_up.resize(p.luma_size * 3);
  if (!planar) {
    std::memcpy(decoded.bottom_up.data(), pixels, pixel_bytes);
  } else {
    const uint8_t* plane1 = pixels + p.luma_size;
    const uint8_t* plane2 = plane1 + p.chroma_size;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const float l = pixels[static_cast<size_t>(y) * width + x];
        const size_t at = static_cast<size_t>(y / 2) * p.chroma_width + x / 2;
        const float first = static_cast<float>(plane1[at]) - 128.0f;
        const float second = static_cast<float>(plane2[at]) - 128.0f;
        uint8_t* out = &decoded.bottom_up[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
        out[0] = Limit(l + 1.14f * first);
        out[1] = Limit(l - 0.39f * second - 0.58f * first);
        out[2] = Limit(l + 2.03f * second);
      }
    }
  }
  decoded.width = width;
  decoded.height = height;
  decoded.planar = planar;
  std::memcpy(&decoded.stamp.frame_number, header.unused12, 4);
  std::memcpy(&decoded.stamp.seconds_of_day, header.unused12 + 4, 4);
  return decoded;
}

}  // namespace kvo::simcam
