// A reader of AVI files for tests: the RIFF structure, the main and stream headers, the
// frames in the movie list and the idx1 index, checked against one another. Plain C++:
// every size in the file is checked against the bytes that are really there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvo {

struct AviStream {
  std::string type;     // strh fccType: "vids", "auds", ...
  std::string handler;  // strh fccHandler, four characters (may hold zero bytes as '.')
  uint32_t scale = 0;
  uint32_t rate = 0;
  uint32_t length = 0;  // strh dwLength: frames (video) or blocks (audio)
  uint32_t suggested_buffer_size = 0;
  // From strf, when the stream is video (BITMAPINFOHEADER).
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bit_count = 0;
  uint32_t compression = 0;
  uint32_t size_image = 0;
  // From strf, when the stream is audio (WAVEFORMATEX).
  uint16_t format_tag = 0;
  uint16_t channels = 0;
  uint32_t samples_per_second = 0;
  uint16_t bits_per_sample = 0;
  // What the movie lists hold for this stream.
  uint32_t chunk_count = 0;
  uint64_t chunk_bytes = 0;
  uint32_t smallest_chunk = 0;
  uint32_t largest_chunk = 0;
};

struct AviIndexEntry {
  std::string id;  // "00db", "01wb", ...
  uint32_t flags = 0;
  uint32_t offset = 0;
  uint32_t size = 0;
};

struct AviFile {
  uint32_t micro_seconds_per_frame = 0;
  uint32_t total_frames = 0;  // avih dwTotalFrames
  uint32_t stream_count = 0;  // avih dwStreams
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t extended_total_frames = 0;  // odml/dmlh, 0 when absent
  uint32_t riff_count = 0;             // 1 + the number of "AVIX" extensions
  size_t trailing_bytes = 0;           // bytes after the last RIFF that start no other
  std::vector<AviStream> streams;
  bool has_index = false;
  std::vector<AviIndexEntry> index;
  // Every idx1 entry names a chunk that is there, with that id and size.
  bool index_matches_chunks = false;
};

struct AviReadResult {
  bool ok = false;
  std::string error;  // what was wrong, and where, when !ok
  AviFile file;
};

AviReadResult ReadAvi(const uint8_t* data, size_t size);
AviReadResult ReadAvi(const std::vector<uint8_t>& bytes);

// The number of chunks of `stream` in the movie lists (frames of a video stream).
uint32_t FramesOf(const AviFile& file, size_t stream);

}  // namespace kvo
