// Recordings onto a drive that fills up: however late the write fails, in the recording's
// last moments or while the file is finished at stop, the failure is in AbortStatus and
// DiskError right after StopRecord or Close returns, as for a failure found while the
// recording ran; a preview graph built afterwards keeps them, the next recording clears
// them, and every graph is released.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <memory>
#include <string>

#include "avi_file_sink.h"
#include "capture_test_window.h"
#include "e2e.h"
#include "frame_sizes.h"
#include "simcam_control.h"
#include "small_drive.h"
#include "tdirectshow.h"

namespace kvo {
namespace {

using test::PumpUntil;

constexpr HRESULT kDiskFull = HRESULT_FROM_WIN32(ERROR_DISK_FULL);

std::wstring FreshPathOnSmallDrive(const char* name) {
  const std::string path = std::string(test::kSmallDrive) + name;
  DeleteFileA(path.c_str());
  return std::wstring(path.begin(), path.end());
}

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// What the recording's file sink has met so far, asked without handling any message: the
// panel has not seen the abort event yet.
HRESULT SinkFailure(TDirectShow& panel) {
  ComPtr<IBaseFilter> sink;
  ComPtr<IAviFileSinkStatus> status;
  if (!panel.Graph() ||
      FAILED(panel.Graph()->FindFilterByName(L"File Writer", sink.GetAddressOf())) ||
      FAILED(sink->QueryInterface(IID_IAviFileSinkStatus,
                                  reinterpret_cast<void**>(status.GetAddressOf())))) {
    return E_NOINTERFACE;
  }
  return status->FileFailure();
}

bool WaitForSinkFailure(TDirectShow& panel) {
  return test::WaitUntil([&] { return FAILED(SinkFailure(panel)); }, 20000);
}

// Both pins of a switched-off camera announce the loss after their last frame.
bool WaitForCameraLoss(TDirectShow& panel) {
  int lost = 0;
  const DWORD start = GetTickCount();
  while (lost < 2 && GetTickCount() - start < 10000) {
    long code = 0;
    LONG_PTR first = 0, second = 0;
    if (panel.MediaEvent()->GetEvent(&code, &first, &second, 100) != S_OK) continue;
    panel.MediaEvent()->FreeEventParams(code, first, second);
    if (code == EC_DEVICE_LOST) ++lost;
  }
  return lost == 2;
}

VIDEOINFOHEADER SmallFormat() {
  VIDEOINFOHEADER format{};
  format.AvgTimePerFrame = simcam::kFrameInterval;
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = 160;
  format.bmiHeader.biHeight = 120;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 24;
  format.bmiHeader.biCompression = BI_RGB;
  format.bmiHeader.biSizeImage = 160 * 120 * 3;
  return format;
}

class CaptureFullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment_.ok());
    if (!test::SmallDriveIsThere()) {
      GTEST_SKIP() << "no small drive R: (scripts/small-drive mounts it as root; "
                      "mounting is impossible here, so the full-disk cases cannot run)";
    }
    ASSERT_TRUE(simcam::ResetCamera());
    panel_ = std::make_unique<TDirectShow>(window_.handle());
    camera_objects_before_ = simcam::LiveObjects();
  }
  void TearDown() override {
    if (panel_) panel_->Close();
    panel_.reset();
    EXPECT_EQ(simcam::LiveObjects(), camera_objects_before_) << "camera objects left alive";
    EXPECT_EQ(AviFileSinkLiveObjects(), 0) << "file sink objects left alive";
    simcam::ResetCamera();
  }
  void ExpectDiskFullKept(const char* after) {
    EXPECT_EQ(panel_->AbortStatus, kDiskFull) << "after " << after << ": " << std::hex
                                              << panel_->AbortStatus;
    EXPECT_TRUE(panel_->DiskError) << "after " << after;
  }
  // Starts a recording into `path` on the running preview and lets it write its first
  // bytes, with the panel handling its messages as usual.
  void StartRecording(const std::wstring& path) {
    panel_->StartRecord(path.c_str());
    ASSERT_TRUE(panel_->GetInRecord());
    EXPECT_EQ(panel_->AbortStatus, 0) << "a new recording starts clean";
    EXPECT_FALSE(panel_->DiskError) << "a new recording starts clean";
    panel_->Run();
    ASSERT_TRUE(PumpUntil([&] { return FileSize(path) > 0; }, 20000));
  }

  ComApartment apartment_;
  test::TestWindow window_;
  std::unique_ptr<TDirectShow> panel_;
  long camera_objects_before_ = 0;
};

TEST_F(CaptureFullDisk, AWriteFailureAtTheEndOrAtStopIsKeptAfterStopRecordAndClose) {
  panel_->InitRunCapture("feed", "cafe", false);
  ASSERT_TRUE(panel_->GetReady());
  panel_->Run();
  {
    SCOPED_TRACE("the drive fills in the recording's last moments");
    const std::wstring path = FreshPathOnSmallDrive("capture_last.avi");
    StartRecording(path);
    // 640 x 480 frames of 900 KiB fill 2 MiB within a few frames. No message is handled
    // from here on: the abort event is still on its way to the panel when the main window
    // stops the recording.
    ASSERT_TRUE(WaitForSinkFailure(*panel_));
    panel_->StopRecord();
    EXPECT_FALSE(panel_->GetInRecord());
    EXPECT_TRUE(panel_->GetReady());
    ExpectDiskFullKept("StopRecord");
    panel_->Run();
    test::Pump(300);  // the old graph's message arrives now, at the preview graph
    ExpectDiskFullKept("the preview ran again");
    DeleteFileW(path.c_str());
  }
  {
    SCOPED_TRACE("the drive fills after the last frame, before the index and headers");
    const VIDEOINFOHEADER small = SmallFormat();
    panel_->CapturePinSet(&small);
    const std::wstring path = FreshPathOnSmallDrive("capture_at_stop.avi");
    StartRecording(path);
    ASSERT_TRUE(PumpUntil([&] { return FileSize(path) > 4 * 160 * 120 * 3; }, 20000));
    // Switched off, the camera delivers no more; the file holds every frame it had.
    ASSERT_TRUE(simcam::SetPowered(false));
    ASSERT_TRUE(WaitForCameraLoss(*panel_));
    EXPECT_EQ(SinkFailure(*panel_), S_OK) << "a write failed before the stop";
    test::DriveFiller filler;
    ASSERT_TRUE(filler.full());
    panel_->StopRecord();
    ExpectDiskFullKept("StopRecord");
    // No camera to rebuild around: the panel is closed and neither previews nor records.
    EXPECT_FALSE(panel_->Opened);
    EXPECT_FALSE(panel_->GetReady());
    EXPECT_FALSE(panel_->GetInRecord());
    ASSERT_TRUE(simcam::SetPowered(true));
    DeleteFileW(path.c_str());
  }
  {
    SCOPED_TRACE("the drive fills, and the panel is closed instead");
    VIDEOINFOHEADER none{};
    none.bmiHeader.biCompression = kNoStoredFormat;
    panel_->CapturePinSet(&none);
    panel_->InitRunCapture("feed", "cafe", false);
    ASSERT_TRUE(panel_->GetReady());
    ExpectDiskFullKept("a preview graph was built");
    panel_->Run();
    const std::wstring path = FreshPathOnSmallDrive("capture_closed.avi");
    StartRecording(path);
    ASSERT_TRUE(WaitForSinkFailure(*panel_));
    panel_->Close();
    ExpectDiskFullKept("Close");
    DeleteFileW(path.c_str());
  }
}

}  // namespace
}  // namespace kvo
