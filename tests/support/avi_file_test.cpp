// The test AVI reader against files built here byte by byte: a good file read back field
// by field, and damaged ones refused with a message instead of a crash or a wrong count.
#include "avi_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void Put16(Bytes& bytes, uint16_t value) {
  bytes.push_back(static_cast<uint8_t>(value));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
}
void PutId(Bytes& bytes, const char* id) { bytes.insert(bytes.end(), id, id + 4); }

Bytes Chunk(const char* id, const Bytes& body) {
  Bytes chunk;
  PutId(chunk, id);
  Put32(chunk, static_cast<uint32_t>(body.size()));
  chunk.insert(chunk.end(), body.begin(), body.end());
  if (body.size() & 1) chunk.push_back(0);
  return chunk;
}

Bytes List(const char* id, const char* type, const std::vector<Bytes>& children) {
  Bytes body;
  PutId(body, type);
  for (const Bytes& child : children) body.insert(body.end(), child.begin(), child.end());
  return Chunk(id, body);
}

Bytes MainHeader(uint32_t frames, uint32_t streams, uint32_t width, uint32_t height) {
  Bytes body;
  Put32(body, 33333);  // micro seconds per frame
  Put32(body, 0);
  Put32(body, 0);
  Put32(body, 0x10);  // has index
  Put32(body, frames);
  Put32(body, 0);
  Put32(body, streams);
  Put32(body, 0);
  Put32(body, width);
  Put32(body, height);
  body.resize(56, 0);
  return Chunk("avih", body);
}

Bytes StreamHeader(const char* type, uint32_t length) {
  Bytes body;
  PutId(body, type);
  Put32(body, 0);  // handler
  Put32(body, 0);  // flags
  Put32(body, 0);  // priority, language
  Put32(body, 0);  // initial frames
  Put32(body, 1);  // scale
  Put32(body, 30);  // rate
  Put32(body, 0);  // start
  Put32(body, length);
  Put32(body, 57600);  // suggested buffer
  body.resize(56, 0);
  return Chunk("strh", body);
}

Bytes VideoFormat(int32_t width, int32_t height) {
  Bytes body;
  Put32(body, 40);
  Put32(body, static_cast<uint32_t>(width));
  Put32(body, static_cast<uint32_t>(height));
  Put16(body, 1);
  Put16(body, 24);
  Put32(body, 0);
  Put32(body, static_cast<uint32_t>(width * height * 3));
  body.resize(40, 0);
  return Chunk("strf", body);
}

Bytes AudioFormat() {
  Bytes body;
  Put16(body, 1);  // PCM
  Put16(body, 1);
  Put32(body, 22050);
  Put32(body, 44100);
  Put16(body, 2);
  Put16(body, 16);
  Put16(body, 0);
  return Chunk("strf", body);
}

struct Sample {
  const char* id;
  uint32_t size;
};

// A file with a video stream (and an audio stream when `audio`), the given movie chunks and
// an idx1 that points at them from the "movi" type, as the mux writes it.
Bytes BuildAvi(const std::vector<Sample>& samples, bool audio, bool with_index = true) {
  std::vector<Bytes> header{MainHeader(static_cast<uint32_t>(samples.size()), audio ? 2 : 1,
                                       4, 2),
                            List("LIST", "strl", {StreamHeader("vids", 3), VideoFormat(4, 2)})};
  if (audio) header.push_back(List("LIST", "strl", {StreamHeader("auds", 0), AudioFormat()}));
  std::vector<Bytes> movie_chunks;
  Bytes index;
  uint32_t offset = 4;
  for (const Sample& sample : samples) {
    Bytes chunk = Chunk(sample.id, Bytes(sample.size, 0x5a));
    PutId(index, sample.id);
    Put32(index, 0x10);
    Put32(index, offset);
    Put32(index, sample.size);
    offset += static_cast<uint32_t>(chunk.size());
    movie_chunks.push_back(chunk);
  }
  std::vector<Bytes> riff{List("LIST", "hdrl", header), Chunk("JUNK", Bytes(12, 0)),
                          List("LIST", "movi", movie_chunks)};
  if (with_index) riff.push_back(Chunk("idx1", index));
  return List("RIFF", "AVI ", riff);
}

TEST(AviFile, ReadsHeadersFramesAndIndexOfAGoodFile) {
  const Bytes file = BuildAvi({{"00db", 24}, {"01wb", 7}, {"00db", 24}, {"00db", 24}}, true);
  const kvo::AviReadResult read = kvo::ReadAvi(file);
  ASSERT_TRUE(read.ok) << read.error;
  const kvo::AviFile& avi = read.file;
  EXPECT_EQ(1u, avi.riff_count);
  EXPECT_EQ(0u, avi.trailing_bytes);
  EXPECT_EQ(33333u, avi.micro_seconds_per_frame);
  EXPECT_EQ(4u, avi.total_frames);
  EXPECT_EQ(2u, avi.stream_count);
  EXPECT_EQ(4u, avi.width);
  EXPECT_EQ(2u, avi.height);
  ASSERT_EQ(2u, avi.streams.size());
  const kvo::AviStream& video = avi.streams[0];
  EXPECT_EQ("vids", video.type);
  EXPECT_EQ(30u, video.rate);
  EXPECT_EQ(3u, video.length);
  EXPECT_EQ(4, video.width);
  EXPECT_EQ(2, video.height);
  EXPECT_EQ(24, video.bit_count);
  EXPECT_EQ(24u, video.size_image);
  EXPECT_EQ(3u, video.chunk_count);
  EXPECT_EQ(24u, video.smallest_chunk);
  EXPECT_EQ(24u, video.largest_chunk);
  EXPECT_EQ(3u, kvo::FramesOf(avi, 0));
  const kvo::AviStream& sound = avi.streams[1];
  EXPECT_EQ("auds", sound.type);
  EXPECT_EQ(1, sound.format_tag);
  EXPECT_EQ(22050u, sound.samples_per_second);
  EXPECT_EQ(16, sound.bits_per_sample);
  EXPECT_EQ(1u, sound.chunk_count);
  EXPECT_EQ(7u, sound.chunk_bytes);  // odd size: the pad byte is not counted
  EXPECT_EQ(0u, kvo::FramesOf(avi, 2));
  ASSERT_TRUE(avi.has_index);
  ASSERT_EQ(4u, avi.index.size());
  EXPECT_EQ("01wb", avi.index[1].id);
  EXPECT_TRUE(avi.index_matches_chunks);
}

TEST(AviFile, FramesInsideRecListsAndAnExtensionAreCounted) {
  Bytes frame = Chunk("00db", Bytes(6, 1));
  const Bytes header = List("LIST", "hdrl", {MainHeader(3, 1, 2, 1),
                                             List("LIST", "strl",
                                                  {StreamHeader("vids", 3), VideoFormat(2, 1)})});
  Bytes file = List("RIFF", "AVI ", {header, List("LIST", "movi", {List("LIST", "rec ", {frame, frame})})});
  const Bytes extension = List("RIFF", "AVIX", {List("LIST", "movi", {frame})});
  file.insert(file.end(), extension.begin(), extension.end());
  const kvo::AviReadResult read = kvo::ReadAvi(file);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(2u, read.file.riff_count);
  EXPECT_EQ(3u, kvo::FramesOf(read.file, 0));
  EXPECT_FALSE(read.file.has_index);
  EXPECT_FALSE(read.file.index_matches_chunks);
}

TEST(AviFile, BytesAfterTheLastRiffAreCountedButDoNotHideAnExtension) {
  Bytes file = BuildAvi({{"00db", 24}}, false);
  file.insert(file.end(), 8, 0);
  kvo::AviReadResult read = kvo::ReadAvi(file);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(8u, read.file.trailing_bytes);
  EXPECT_EQ(1u, kvo::FramesOf(read.file, 0));

  // A damaged extension after the first RIFF is an error, not trailing bytes.
  Bytes extended = BuildAvi({{"00db", 24}}, false);
  const Bytes extension = List("RIFF", "WAVE", {});
  extended.insert(extended.end(), extension.begin(), extension.end());
  read = kvo::ReadAvi(extended);
  EXPECT_FALSE(read.ok);
  EXPECT_NE(std::string::npos, read.error.find("unexpected RIFF form")) << read.error;
}

TEST(AviFile, IndexThatDisagreesWithTheChunksIsFlagged) {
  Bytes file = BuildAvi({{"00db", 24}, {"00db", 24}}, false);
  // The last index entry's size field is the file's last four bytes.
  file[file.size() - 4] = 25;
  kvo::AviReadResult read = kvo::ReadAvi(file);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_FALSE(read.file.index_matches_chunks);

  // Entries that name no stream data (an extended index's) are not matched to chunks.
  Bytes with_extra = BuildAvi({{"00db", 24}}, false, false);
  Bytes entries;
  PutId(entries, "7Fxx");
  Put32(entries, 0);
  Put32(entries, 99);
  Put32(entries, 0);
  PutId(entries, "00db");
  Put32(entries, 0x10);
  Put32(entries, 4);
  Put32(entries, 24);
  const Bytes extra_index = Chunk("idx1", entries);
  with_extra.insert(with_extra.end(), extra_index.begin(), extra_index.end());
  const uint32_t extra_size = static_cast<uint32_t>(with_extra.size() - 8);
  std::memcpy(&with_extra[4], &extra_size, 4);
  read = kvo::ReadAvi(with_extra);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(2u, read.file.index.size());
  EXPECT_TRUE(read.file.index_matches_chunks);

  // An index missing an entry does not match either.
  Bytes shorter = BuildAvi({{"00db", 24}, {"00db", 24}}, false, false);
  Bytes one_entry;
  PutId(one_entry, "00db");
  Put32(one_entry, 0x10);
  Put32(one_entry, 4);
  Put32(one_entry, 24);
  const Bytes index = Chunk("idx1", one_entry);
  shorter.insert(shorter.end(), index.begin(), index.end());
  const uint32_t riff_size = static_cast<uint32_t>(shorter.size() - 8);
  std::memcpy(&shorter[4], &riff_size, 4);
  read = kvo::ReadAvi(shorter);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_FALSE(read.file.index_matches_chunks);
}

struct Damage {
  const char* name;
  size_t offset;          // where to write
  std::vector<uint8_t> with;  // what to write there; empty: cut the file at offset
  const char* expected;   // part of the error text
};

class DamagedAvi : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedAvi, IsRefusedWithAReason) {
  Bytes file = BuildAvi({{"00db", 24}, {"00db", 24}}, false);
  const Damage& damage = GetParam();
  if (damage.with.empty()) {
    file.resize(damage.offset);
  } else {
    std::copy(damage.with.begin(), damage.with.end(), file.begin() + damage.offset);
  }
  const kvo::AviReadResult read = kvo::ReadAvi(file);
  EXPECT_FALSE(read.ok);
  EXPECT_NE(std::string::npos, read.error.find(damage.expected)) << read.error;
}

// Offsets in the built file: RIFF 0, "AVI " 8, LIST hdrl 12 (size at 16, type 20),
// avih 24 (size at 28), LIST strl 88 (type at 96), strh 100 (size at 104).
INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedAvi,
    ::testing::Values(
        Damage{"Empty", 0, {}, "empty file"},
        Damage{"NotRiff", 0, {'R', 'I', 'F', 'X'}, "expected RIFF"},
        Damage{"WaveForm", 8, {'W', 'A', 'V', 'E'}, "not an AVI file"},
        Damage{"CutInTheMovie", 300, {}, "runs past"},
        Damage{"HugeRiffSize", 4, {0xf0, 0xff, 0xff, 0xff}, "runs past"},
        Damage{"HeaderListSizeBeyondRiff", 16, {0x00, 0x00, 0x01, 0x00}, "runs past"},
        Damage{"MainHeaderTooShort", 28, {8, 0, 0, 0}, "main header too short"},
        Damage{"StreamHeaderTooShort", 104, {4, 0, 0, 0}, "stream header too short"},
        Damage{"CutInAChunkHeader", 5, {}, "cut short"}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

// Every cut of a good file is refused (the RIFF runs past the end), and none crashes the
// reader; the sanitizers of the native build watch the reads.
TEST(AviFile, EveryTruncationIsRefused) {
  const Bytes file = BuildAvi({{"00db", 24}, {"01wb", 7}, {"00db", 24}}, true);
  for (size_t length = 0; length < file.size(); ++length) {
    const kvo::AviReadResult read = kvo::ReadAvi(file.data(), length);
    EXPECT_FALSE(read.ok) << "cut at " << length;
    EXPECT_FALSE(read.error.empty()) << "cut at " << length;
  }
}

// Random damage (fixed seed): whatever the reader accepts, its counts stay within what the
// file can hold.
TEST(AviFile, RandomDamageNeverReadsBeyondTheFile) {
  const Bytes good = BuildAvi({{"00db", 24}, {"01wb", 7}, {"00db", 24}}, true);
  std::mt19937 random(20261209);
  std::uniform_int_distribution<size_t> position(0, good.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 3000; ++round) {
    Bytes file = good;
    const int changes = 1 + round % 4;
    for (int i = 0; i < changes; ++i) file[position(random)] = static_cast<uint8_t>(byte(random));
    const kvo::AviReadResult read = kvo::ReadAvi(file);
    if (!read.ok) continue;
    uint64_t chunk_bytes = 0;
    for (const kvo::AviStream& stream : read.file.streams) chunk_bytes += stream.chunk_bytes;
    EXPECT_LE(chunk_bytes, file.size()) << "round " << round;
    EXPECT_LE(read.file.index.size() * 16, file.size()) << "round " << round;
  }
}

TEST(AviFile, ChunkOfAStreamWithoutHeaderIsRefused) {
  const Bytes file = BuildAvi({{"00db", 24}, {"01wb", 4}}, false);
  const kvo::AviReadResult read = kvo::ReadAvi(file);
  EXPECT_FALSE(read.ok);
  EXPECT_NE(std::string::npos, read.error.find("stream without header")) << read.error;
}

TEST(AviFile, FileWithoutMovieIsRefused) {
  const Bytes file = List("RIFF", "AVI ", {List("LIST", "hdrl", {MainHeader(0, 0, 0, 0)})});
  const kvo::AviReadResult read = kvo::ReadAvi(file);
  EXPECT_FALSE(read.ok);
  EXPECT_NE(std::string::npos, read.error.find("no movie list")) << read.error;
}

}  // namespace
