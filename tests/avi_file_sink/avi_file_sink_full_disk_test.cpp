// Recording onto a drive that fills up: the sink posts one EC_ERRORABORT carrying the
// disk-full error, the graph still stops and releases, and the file is closed.
#include "avi_file_sink.h"

#include <gtest/gtest.h>

#include <string>

#include "recording_graph.h"
#include "unique_resource.h"

using kvo_test::RecordingGraph;

namespace {

// scripts/small-drive links a 2 MiB tmpfs as this drive.
const char kSmallDrive[] = "R:\\";
constexpr ULONGLONG kLargestSmallDrive = 64ull << 20;

bool SmallDriveIsThere() {
  ULARGE_INTEGER free_bytes, total;
  if (!GetDiskFreeSpaceExA(kSmallDrive, &free_bytes, &total, nullptr)) return false;
  return total.QuadPart > 0 && total.QuadPart <= kLargestSmallDrive;
}

int CountAborts(IMediaEvent* events, DWORD for_ms) {
  int aborts = 0;
  LONG_PTR ignored = 0;
  while (kvo_test::WaitForGraphEvent(events, EC_ERRORABORT, for_ms, &ignored)) ++aborts;
  return aborts;
}

TEST(AviFileSinkFullDisk, RecordingOntoAFullDrivePostsOneAbortWithDiskFull) {
  kvo::ComApartment apartment;
  ASSERT_TRUE(apartment.ok());
  if (!SmallDriveIsThere()) {
    GTEST_SKIP() << "no small drive R: (scripts/small-drive mounts it as root; "
                    "mounting is impossible here, so the full-disk case cannot run)";
  }
  const std::string path = std::string(kSmallDrive) + "kvo_full.avi";
  DeleteFileA(path.c_str());

  // 20 frames of 900 KiB: far more than the drive holds.
  kvo_test::PushSourceSettings settings;
  settings.width = 640;
  settings.height = 480;
  settings.frames = 20;
  RecordingGraph recording;
  HRESULT hr = kvo_test::BuildRecordingGraph(kvo_test::Wide(path), settings, &recording);
  ASSERT_EQ(S_OK, hr) << std::hex << hr;
  hr = recording.control->Run();
  ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;

  LONG_PTR status = 0;
  const bool aborted =
      kvo_test::WaitForGraphEvent(recording.events.Get(), EC_ERRORABORT, 20000, &status);
  EXPECT_TRUE(aborted) << "no EC_ERRORABORT while recording onto a full drive";
  EXPECT_EQ(static_cast<LONG_PTR>(HRESULT_FROM_WIN32(ERROR_DISK_FULL)), status)
      << std::hex << status;
  EXPECT_TRUE(kvo_test::WaitForSourceToEnd(recording, 20000));
  // The mux writes its headers in its Stop, onto the full drive; the sink lets that Stop
  // complete, or Wine's graph could never be released.
  hr = recording.control->Stop();
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  // The mux's header writes at Stop fail as well, but a run reports its failure once.
  EXPECT_EQ(0, CountAborts(recording.events.Get(), 500));

  recording.Release();
  EXPECT_EQ(0, kvo::AviFileSinkLiveObjects());
  kvo::UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_TRUE(file.valid()) << "the sink did not close " << path << ": " << GetLastError();
  file.reset();
  DeleteFileA(path.c_str());
}

}  // namespace
