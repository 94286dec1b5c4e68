// The AVI file sink behind Wine's AVI Mux: what it writes is a valid AVI with every frame,
// it keeps the file until the mux has written its headers, a new run starts a new file, a
// file it cannot make is reported as an abort, and every object it made is released.
#include "avi_file_sink.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>

#include "avi_file.h"
#include "e2e.h"
#include "recording_graph.h"
#include "unique_resource.h"

using Microsoft::WRL::ComPtr;
using kvo_test::FreshTempFile;
using kvo_test::RecordingGraph;
using kvo_test::Wide;

namespace {

class AviFileSinkTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(apartment_.ok()) << std::hex << apartment_.result(); }
  void TearDown() override {
    EXPECT_EQ(0, kvo::AviFileSinkLiveObjects()) << "sink objects still alive";
  }

  kvo::ComApartment apartment_;
};

kvo::AviReadResult ReadRecording(const std::string& path) {
  const auto bytes = kvo::test::ReadFileBytes(path);
  if (!bytes) {
    kvo::AviReadResult missing;
    missing.error = "cannot read " + path;
    return missing;
  }
  return kvo::ReadAvi(*bytes);
}

// True when nobody else has the file open: an exclusive open succeeds.
bool FileIsClosed(const std::string& path) {
  kvo::UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

void ExpectFrames(const kvo::AviReadResult& read, uint32_t frames, int32_t width,
                  int32_t height) {
  ASSERT_TRUE(read.ok) << read.error;
  const kvo::AviFile& avi = read.file;
  ASSERT_EQ(1u, avi.streams.size());
  const kvo::AviStream& video = avi.streams[0];
  EXPECT_EQ("vids", video.type);
  EXPECT_EQ(width, video.width);
  EXPECT_EQ(height, video.height);
  EXPECT_EQ(24, video.bit_count);
  EXPECT_EQ(frames, kvo::FramesOf(avi, 0));
  const uint32_t frame_bytes = static_cast<uint32_t>(width * height * 3);
  EXPECT_EQ(frame_bytes, video.smallest_chunk);
  EXPECT_EQ(frame_bytes, video.largest_chunk);
  EXPECT_EQ(frames, avi.total_frames);
  EXPECT_TRUE(avi.has_index);
  EXPECT_TRUE(avi.index_matches_chunks);
  // Wine's mux writes its last buffer 8 bytes longer than the RIFF it closes.
  EXPECT_LE(avi.trailing_bytes, 8u);
}

TEST_F(AviFileSinkTest, RecordsEveryFrameThroughTheMuxAndClosesTheFileOnRelease) {
  const std::string path = FreshTempFile("kvo_sink_frames.avi");
  kvo_test::PushSourceSettings settings;
  settings.frames = 30;
  RecordingGraph recording;
  HRESULT hr = kvo_test::BuildRecordingGraph(Wide(path), settings, &recording);
  ASSERT_EQ(S_OK, hr) << std::hex << hr;
  hr = kvo_test::RecordAllFrames(recording, settings.frames, 20000);
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  EXPECT_EQ(30, kvo_test::PushSourceDelivered(recording.source.Get()));
  // Stopped, the mux has written its headers, and the sink still holds the file.
  EXPECT_FALSE(FileIsClosed(path));
  recording.Release();
  EXPECT_TRUE(FileIsClosed(path));
  ExpectFrames(ReadRecording(path), 30, 160, 120);
}

}  // namespace
