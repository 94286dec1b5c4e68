// Recording onto a drive that fills up. Every failed write is answered with its error, to
// the mux as to the owner: a drive that fills while the frames are written, and one that
// fills before the mux writes its index and headers at stop, each give one EC_ERRORABORT
// with the disk-full error, a failed Stop of the mux and the same failure from
// FinishAviFileOutput; after that the graph still comes down and the file is closed.
#include "avi_file_sink.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "recording_graph.h"
#include "small_drive.h"
#include "unique_resource.h"

using Microsoft::WRL::ComPtr;
using kvo::test::DriveFiller;
using kvo::test::kSmallDrive;
using kvo_test::FileIsClosed;
using kvo_test::RecordingGraph;

namespace {

constexpr HRESULT kDiskFull = HRESULT_FROM_WIN32(ERROR_DISK_FULL);

int CountAborts(IMediaEvent* events, DWORD for_ms) {
  int aborts = 0;
  LONG_PTR ignored = 0;
  while (kvo_test::WaitForGraphEvent(events, EC_ERRORABORT, for_ms, &ignored)) ++aborts;
  return aborts;
}

bool EveryFilterStopped(IGraphBuilder* graph) {
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.GetAddressOf()))) return false;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    FILTER_STATE state = State_Running;
    if (FAILED(filter->GetState(0, &state)) || state != State_Stopped) return false;
  }
  return true;
}

class AviFileSinkFullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment_.ok());
    if (!kvo::test::SmallDriveIsThere()) {
      GTEST_SKIP() << "no small drive R: (scripts/small-drive mounts it as root; "
                      "mounting is impossible here, so the full-disk cases cannot run)";
    }
  }
  void TearDown() override { EXPECT_EQ(0, kvo::AviFileSinkLiveObjects()); }

  // Stops the graph, which must fail over the file, and brings it down as its owner does;
  // `aborts` abort events are still to come from the graph by then.
  void StopAndRelease(RecordingGraph& recording, const std::string& path, int aborts) {
    const HRESULT stopped = recording.control->Stop();
    EXPECT_EQ(kDiskFull, stopped) << "the mux was not told that its last writes failed: "
                                  << std::hex << stopped;
    // One report per run: the failed writes of the stop add none to an earlier one.
    EXPECT_EQ(aborts, CountAborts(recording.events.Get(), 300));
    EXPECT_EQ(kDiskFull, kvo::FinishAviFileOutput(recording.graph.Get(), recording.sink.Get()));
    EXPECT_TRUE(EveryFilterStopped(recording.graph.Get()));
    recording.Release();
    EXPECT_TRUE(FileIsClosed(path)) << "the sink did not close " << path;
  }

  kvo::ComApartment apartment_;
};

TEST_F(AviFileSinkFullDisk, ADriveThatFillsWhileRecordingOrBeforeTheStopFailsTheMuxAndComesDown) {
  const std::string path = std::string(kSmallDrive) + "kvo_full.avi";
  kvo_test::PushSourceSettings settings;
  settings.width = 640;
  settings.height = 480;
  {
    SCOPED_TRACE("the drive fills while the frames are written");
    DeleteFileA(path.c_str());
    settings.frames = 20;  // 900 KiB each: far more than the drive holds
    RecordingGraph recording;
    HRESULT hr = kvo_test::BuildRecordingGraph(kvo_test::Wide(path), settings, &recording);
    ASSERT_EQ(S_OK, hr) << std::hex << hr;
    hr = recording.control->Run();
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    LONG_PTR status = 0;
    EXPECT_TRUE(
        kvo_test::WaitForGraphEvent(recording.events.Get(), EC_ERRORABORT, 20000, &status))
        << "no EC_ERRORABORT while recording onto a full drive";
    EXPECT_EQ(static_cast<LONG_PTR>(kDiskFull), status) << std::hex << status;
    EXPECT_TRUE(kvo_test::WaitForSourceToEnd(recording, 20000));
    EXPECT_GE(kvo_test::PushSourceRefused(recording.source.Get()), 1);
    StopAndRelease(recording, path, 0);
    DeleteFileA(path.c_str());
  }
  {
    SCOPED_TRACE("the drive fills after the last frame, before the index and headers");
    DeleteFileA(path.c_str());
    settings.frames = 1;
    RecordingGraph recording;
    HRESULT hr = kvo_test::BuildRecordingGraph(kvo_test::Wide(path), settings, &recording);
    ASSERT_EQ(S_OK, hr) << std::hex << hr;
    hr = recording.control->Run();
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    EXPECT_TRUE(kvo_test::WaitForSourceToEnd(recording, 20000));
    EXPECT_EQ(1, kvo_test::PushSourceDelivered(recording.source.Get()));
    EXPECT_EQ(0, CountAborts(recording.events.Get(), 200)) << "a write failed before the stop";
    {
      DriveFiller filler;
      ASSERT_TRUE(filler.full());
      StopAndRelease(recording, path, 1);
    }
    DeleteFileA(path.c_str());
  }
}

// Written directly through the pin's stream, as the mux writes: a write the drive cannot
// take is answered with the disk-full error and the bytes that did reach the file, never
// as done, also while the sink is stopped (when Wine's mux writes its headers).
TEST_F(AviFileSinkFullDisk, StreamAnswersAFailedWriteWithItsErrorAndTheBytesWritten) {
  const std::string path = std::string(kSmallDrive) + "kvo_stream.bin";
  DeleteFileA(path.c_str());
  ComPtr<IBaseFilter> sink;
  ASSERT_EQ(S_OK, kvo::CreateAviFileSink(&sink));
  ComPtr<IFileSinkFilter> file_sink;
  ASSERT_EQ(S_OK, sink.As(&file_sink));
  ASSERT_EQ(S_OK, file_sink->SetFileName(kvo_test::Wide(path).c_str(), nullptr));
  ComPtr<IPin> pin;
  ASSERT_EQ(S_OK, sink->FindPin(L"In", &pin));
  ComPtr<IStream> stream;
  ASSERT_EQ(S_OK, pin.As(&stream));
  const std::vector<char> block(4 << 20, 'x');  // twice the drive
  ULONG written = 0;
  const HRESULT hr = stream->Write(block.data(), static_cast<ULONG>(block.size()), &written);
  EXPECT_EQ(kDiskFull, hr) << std::hex << hr;
  EXPECT_LT(written, block.size());
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(written, data.nFileSizeLow) << "the count is not what reached the file";
  ComPtr<kvo::IAviFileSinkStatus> status;
  ASSERT_EQ(S_OK, sink->QueryInterface(kvo::IID_IAviFileSinkStatus,
                                       reinterpret_cast<void**>(status.GetAddressOf())));
  EXPECT_EQ(kDiskFull, status->FileFailure());
  // Abandoned, the file is closed and left as it was; the stream writes to the null device.
  EXPECT_EQ(S_OK, status->AbandonFile());
  EXPECT_TRUE(FileIsClosed(path));
  EXPECT_EQ(S_OK, stream->Write(block.data(), 4096, &written));
  EXPECT_EQ(kDiskFull, status->FileFailure()) << "the first failure must stay";
  const DWORD size_when_abandoned = data.nFileSizeLow;
  stream.Reset();
  pin.Reset();
  status.Reset();
  file_sink.Reset();
  sink.Reset();
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(size_when_abandoned, data.nFileSizeLow);
  DeleteFileA(path.c_str());
}

}  // namespace
