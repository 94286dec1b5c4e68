// The capture format record: one platform VIDEOINFOHEADER of 88 bytes, little-endian,
// stored as Pin_Data and handed to the camera's capture pin unchanged. Plain data only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvo {

#pragma pack(push, 1)
struct FormatRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

struct FormatBitmapHeader {
  uint32_t size;
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bit_count;
  uint32_t compression;
  uint32_t size_image;
  int32_t x_pels_per_meter;
  int32_t y_pels_per_meter;
  uint32_t colours_used;
  uint32_t colours_important;
};

struct CaptureFormatRecord {
  FormatRect source;
  FormatRect target;
  uint32_t bit_rate;
  uint32_t bit_error_rate;
  int64_t avg_time_per_frame;
  FormatBitmapHeader header;
};
#pragma pack(pop)

static_assert(sizeof(FormatBitmapHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(CaptureFormatRecord) == 88, "the capture format record is 88 bytes");
static_assert(offsetof(CaptureFormatRecord, avg_time_per_frame) == 40, "layout");
static_assert(offsetof(CaptureFormatRecord, header) == 48, "layout");

// A compression code of all ones marks a record that holds no format.
constexpr uint32_t kNoFormatCompression = 0xFFFFFFFFu;

// A record that holds no format: zero except the compression code.
inline CaptureFormatRecord NoFormatRecord() {
  CaptureFormatRecord record{};
  record.header.compression = kNoFormatCompression;
  return record;
}

inline bool HoldsFormat(const CaptureFormatRecord& record) {
  return record.header.compression != kNoFormatCompression;
}

}  // namespace kvo
