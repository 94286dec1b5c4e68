// The stream capabilities a capture pin hands out, read in plain C++: the buffer for a
// capability record of the size the pin claims, the fields of a video-info format block of
// any size, and the row that matches the pin's current format. The block layouts are
// mirrored here; format_dialog.cpp checks them against the platform's structures.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvo {

// The video-info header: two rectangles, two rates, the frame time, then the bitmap header.
constexpr std::size_t kVideoInfoHeaderBytes = 88;
constexpr std::size_t kVideoInfoFrameTimeOffset = 40;
constexpr std::size_t kVideoInfoWidthOffset = 52;
constexpr std::size_t kVideoInfoHeightOffset = 56;
constexpr std::size_t kVideoInfoBitCountOffset = 62;
// The video capability record a pin fills, whatever size it claims for it.
constexpr std::size_t kVideoCapsRecordBytes = 128;
// Limits of what a pin may claim: past them its answer is not a video capability list.
constexpr int kMaxCapsRecordBytes = 4096;
constexpr int kMaxCapabilities = 1024;

using MediaSubtype = std::array<std::uint8_t, 16>;

// What the dialog compares and shows of one format.
struct VideoFormatFields {
  MediaSubtype subtype{};
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative for a top-down picture
  std::uint16_t bit_count = 0;
  std::int64_t frame_time = 0;  // 100 ns units
};

// The size of the buffer a capability record is read into: at least the video record,
// whatever the pin claims; 0 when the count or the claimed size is not usable.
std::size_t CapsRecordBufferSize(int count, int claimed_size);

// The fields of a format block of size bytes; none unless the format type is video info
// and the block holds the whole header.
std::optional<VideoFormatFields> ReadVideoInfoBlock(bool video_info_type,
                                                    const MediaSubtype& subtype,
                                                    const std::uint8_t* block, std::size_t size);

// The dialog's line for a format: "320 x 240, 24 bit, 30.00 fps".
std::string CapabilityLine(const VideoFormatFields& format);

// The row with the current format's subtype, size and bit depth (the height's sign aside),
// preferring one of the same frame time; 0 when none matches or there is no current format.
int ChooseCurrentCapability(const std::vector<VideoFormatFields>& rows,
                            const std::optional<VideoFormatFields>& current);

}  // namespace kvo
