// The AVI file sink behind Wine's AVI Mux: what it writes is a valid AVI with every frame,
// it keeps the file until the mux has written its headers, a new run starts its own file
// afresh, a file that is there already is never overwritten, a file it cannot make is
// reported as an abort, and every object it made is released.
#include "avi_file_sink.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "avi_file.h"
#include "e2e.h"
#include "recording_graph.h"
#include "unique_resource.h"

using Microsoft::WRL::ComPtr;
using kvo_test::FileIsClosed;
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
  hr = kvo_test::RecordAllFrames(recording, 20000);
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  EXPECT_EQ(30, kvo_test::PushSourceDelivered(recording.source.Get()));
  // Stopped, the mux has written its headers, and the sink still holds the file.
  EXPECT_FALSE(FileIsClosed(path));
  recording.Release();
  EXPECT_TRUE(FileIsClosed(path));
  ExpectFrames(ReadRecording(path), 30, 160, 120);
}

TEST_F(AviFileSinkTest, EachRunStartsItsOwnFileAfreshAndRemovingTheSinkClosesIt) {
  const std::string path = FreshTempFile("kvo_sink_again.avi");
  kvo_test::PushSourceSettings settings;
  settings.frames = 12;
  RecordingGraph recording;
  HRESULT hr = kvo_test::BuildRecordingGraph(Wide(path), settings, &recording);
  ASSERT_EQ(S_OK, hr) << std::hex << hr;
  hr = kvo_test::RecordAllFrames(recording, 20000);
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  ExpectFrames(ReadRecording(path), 12, 160, 120);

  // Run the same graph again. Wine's mux keeps the last time of the first run and refuses
  // the restarted stream times (VFW_E_START_TIME_AFTER_END) after the first frame;
  // whatever it takes, the file holds that run alone.
  hr = kvo_test::RecordAllFrames(recording, 20000);
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  const LONG taken = kvo_test::PushSourceDelivered(recording.source.Get());
  EXPECT_GE(taken, 1);
  ExpectFrames(ReadRecording(path), static_cast<uint32_t>(taken), 160, 120);

  hr = recording.graph->RemoveFilter(recording.sink.Get());
  EXPECT_EQ(S_OK, hr) << std::hex << hr;
  EXPECT_TRUE(FileIsClosed(path)) << "removed from the graph, the sink still holds the file";
  recording.Release();
}

// A folder that is not there, and a file that is there already (another program's, or an
// earlier recording's: it is never overwritten).
TEST_F(AviFileSinkTest, AFileThatCannotBeMadeIsReportedAsAbortAndTheGraphStillComesDown) {
  const std::string there = FreshTempFile("kvo_sink_there.avi");
  const std::string kept = "someone else's file";
  ASSERT_TRUE(kvo::test::WriteFileBytes(there, kept.data(), kept.size()));
  const struct {
    std::string path;
    DWORD error;
  } cases[] = {{"C:\\kvo_no_such_folder\\recording.avi", ERROR_PATH_NOT_FOUND},
               {there, ERROR_FILE_EXISTS}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const HRESULT failure = HRESULT_FROM_WIN32(c.error);
    RecordingGraph recording;
    HRESULT hr = kvo_test::BuildRecordingGraph(Wide(c.path), kvo_test::PushSourceSettings(),
                                               &recording);
    ASSERT_EQ(S_OK, hr) << std::hex << hr;
    hr = recording.control->Run();
    // The preview of a real graph keeps running: the sink does not fail the graph's Run.
    EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    LONG_PTR status = 0;
    EXPECT_TRUE(kvo_test::WaitForGraphEvent(recording.events.Get(), EC_ERRORABORT, 10000, &status));
    EXPECT_EQ(static_cast<LONG_PTR>(failure), status) << std::hex << status;
    // The mux passes the sink's refusal on to the source.
    EXPECT_TRUE(kvo_test::WaitForSourceToEnd(recording, 10000));
    EXPECT_EQ(0, kvo_test::PushSourceDelivered(recording.source.Get()));
    EXPECT_GE(kvo_test::PushSourceRefused(recording.source.Get()), 1);
    // The mux cannot write its index and headers either, and is told so.
    hr = recording.control->Stop();
    EXPECT_EQ(failure, hr) << std::hex << hr;
    EXPECT_EQ(failure, kvo::FinishAviFileOutput(recording.graph.Get(), recording.sink.Get()));
    recording.Release();
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(cases[0].path.c_str()));
  const auto bytes = kvo::test::ReadFileBytes(there);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(kept, std::string(bytes->begin(), bytes->end())) << "the file that was there changed";
}

// The stream the mux writes through, used directly: positions, sizes and the name.
TEST_F(AviFileSinkTest, InputPinStreamWritesSeeksAndSizesTheFile) {
  const std::string path = FreshTempFile("kvo_sink_stream.bin");
  ComPtr<IBaseFilter> sink;
  ASSERT_EQ(S_OK, kvo::CreateAviFileSink(&sink));
  ComPtr<IFileSinkFilter> file_sink;
  ASSERT_EQ(S_OK, sink.As(&file_sink));
  ASSERT_EQ(S_OK, file_sink->SetFileName(Wide(path).c_str(), nullptr));
  ComPtr<IPin> pin;
  ASSERT_EQ(S_OK, sink->FindPin(L"In", &pin));
  ComPtr<IStream> stream;
  ASSERT_EQ(S_OK, pin.As(&stream));

  ULONG written = 0;
  EXPECT_EQ(S_OK, stream->Write("abcdef", 6, &written));
  EXPECT_EQ(6u, written);
  LARGE_INTEGER move;
  move.QuadPart = 2;
  ULARGE_INTEGER position = {};
  EXPECT_EQ(S_OK, stream->Seek(move, STREAM_SEEK_SET, &position));
  EXPECT_EQ(2u, position.QuadPart);
  EXPECT_EQ(S_OK, stream->Write("XY", 2, nullptr));
  move.QuadPart = 0;
  EXPECT_EQ(S_OK, stream->Seek(move, STREAM_SEEK_END, &position));
  EXPECT_EQ(6u, position.QuadPart);
  move.QuadPart = -1;
  EXPECT_EQ(S_OK, stream->Seek(move, STREAM_SEEK_CUR, &position));
  EXPECT_EQ(5u, position.QuadPart);
  EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(move, 7, &position));
  ULARGE_INTEGER size;
  size.QuadPart = 4;
  EXPECT_EQ(S_OK, stream->SetSize(size));

  STATSTG stat = {};
  ASSERT_EQ(S_OK, stream->Stat(&stat, STATFLAG_DEFAULT));
  EXPECT_EQ(4u, stat.cbSize.QuadPart);
  EXPECT_EQ(static_cast<DWORD>(STGTY_STREAM), stat.type);
  ASSERT_NE(nullptr, stat.pwcsName);
  EXPECT_EQ(Wide(path), std::wstring(stat.pwcsName));
  CoTaskMemFree(stat.pwcsName);
  EXPECT_EQ(S_OK, stream->Stat(&stat, STATFLAG_NONAME));
  EXPECT_EQ(nullptr, stat.pwcsName);

  stream.Reset();
  pin.Reset();
  file_sink.Reset();
  sink.Reset();
  ASSERT_TRUE(FileIsClosed(path));
  const auto bytes = kvo::test::ReadFileBytes(path);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ("abXY", std::string(bytes->begin(), bytes->end()));
}

TEST_F(AviFileSinkTest, FileNameMustBeGivenAndFitAndIsHandedBack) {
  ComPtr<IBaseFilter> sink;
  ASSERT_EQ(S_OK, kvo::CreateAviFileSink(&sink));
  ComPtr<IFileSinkFilter> file_sink;
  ASSERT_EQ(S_OK, sink.As(&file_sink));
  LPOLESTR name = reinterpret_cast<LPOLESTR>(1);
  EXPECT_EQ(E_FAIL, file_sink->GetCurFile(&name, nullptr));
  EXPECT_EQ(nullptr, name);
  EXPECT_EQ(E_POINTER, file_sink->SetFileName(nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, file_sink->SetFileName(L"", nullptr));
  // 511 characters fit (512 with the terminator); 512 do not.
  const std::wstring longest = L"C:\\" + std::wstring(508, L'a');
  EXPECT_EQ(E_INVALIDARG, file_sink->SetFileName((longest + L"b").c_str(), nullptr));
  EXPECT_EQ(S_OK, file_sink->SetFileName(longest.c_str(), nullptr));
  AM_MEDIA_TYPE type = {};
  ASSERT_EQ(S_OK, file_sink->GetCurFile(&name, &type));
  ASSERT_NE(nullptr, name);
  EXPECT_EQ(longest, std::wstring(name));
  EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Stream, type.majortype));
  CoTaskMemFree(name);
}

TEST_F(AviFileSinkTest, InputPinTakesOnlyAByteStream) {
  ComPtr<IBaseFilter> sink, source;
  ASSERT_EQ(S_OK, kvo::CreateAviFileSink(&sink));
  ASSERT_EQ(S_OK, kvo_test::CreatePushSource(kvo_test::PushSourceSettings(), &source));
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&graph)));
  ASSERT_EQ(S_OK, graph->AddFilter(source.Get(), L"Source"));
  ASSERT_EQ(S_OK, graph->AddFilter(sink.Get(), L"File Writer"));
  ComPtr<IPin> video_out, sink_in, peer;
  ASSERT_EQ(S_OK, source->FindPin(L"Out", &video_out));
  ASSERT_EQ(S_OK, sink->FindPin(L"In", &sink_in));
  const HRESULT hr = graph->ConnectDirect(video_out.Get(), sink_in.Get(), nullptr);
  EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, hr) << std::hex << hr;
  EXPECT_EQ(VFW_E_NOT_CONNECTED, sink_in->ConnectedTo(&peer));
  PIN_DIRECTION direction;
  EXPECT_EQ(S_OK, sink_in->QueryDirection(&direction));
  EXPECT_EQ(PINDIR_INPUT, direction);
  // An input pin never connects itself.
  EXPECT_EQ(E_UNEXPECTED, sink_in->Connect(video_out.Get(), nullptr));
  peer.Reset();
  sink_in.Reset();
  video_out.Reset();
  graph.Reset();
}

}  // namespace
