#include "stream_caps.h"

#include <cstdlib>
#include <cstring>

#include "format_text.h"

namespace kvo {

namespace {

template <typename Value>
Value ReadAt(const std::uint8_t* block, std::size_t offset) {
  Value value;
  std::memcpy(&value, block + offset, sizeof(value));
  return value;
}

bool SameFrameSize(const VideoFormatFields& row, const VideoFormatFields& wanted) {
  return row.subtype == wanted.subtype && row.width == wanted.width &&
         std::llabs(row.height) == std::llabs(wanted.height) && row.bit_count == wanted.bit_count;
}

}  // namespace

std::size_t CapsRecordBufferSize(int count, int claimed_size) {
  if (count <= 0 || count > kMaxCapabilities || claimed_size < 0 ||
      claimed_size > kMaxCapsRecordBytes) {
    return 0;
  }
  const auto claimed = static_cast<std::size_t>(claimed_size);
  return claimed > kVideoCapsRecordBytes ? claimed : kVideoCapsRecordBytes;
}

std::optional<VideoFormatFields> ReadVideoInfoBlock(bool video_info_type,
                                                    const MediaSubtype& subtype,
                                                    const std::uint8_t* block, std::size_t size) {
  if (!video_info_type || block == nullptr || size < kVideoInfoHeaderBytes) return std::nullopt;
  VideoFormatFields format;
  format.subtype = subtype;
  format.width = ReadAt<std::int32_t>(block, kVideoInfoWidthOffset);
  format.height = ReadAt<std::int32_t>(block, kVideoInfoHeightOffset);
  format.bit_count = ReadAt<std::uint16_t>(block, kVideoInfoBitCountOffset);
  format.frame_time = ReadAt<std::int64_t>(block, kVideoInfoFrameTimeOffset);
  return format;
}

std::string CapabilityLine(const VideoFormatFields& format) {
  return DescribeStreamFormat(format.width, format.height, format.bit_count, format.frame_time);
}

int ChooseCurrentCapability(const std::vector<VideoFormatFields>& rows,
                            const std::optional<VideoFormatFields>& current) {
  if (!current) return 0;
  int same_size = -1;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!SameFrameSize(rows[i], *current)) continue;
    if (rows[i].frame_time == current->frame_time) return static_cast<int>(i);
    if (same_size < 0) same_size = static_cast<int>(i);
  }
  return same_size < 0 ? 0 : same_size;
}

}  // namespace kvo
