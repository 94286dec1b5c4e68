// The capture panel with the simulated camera: discovery, preview, graph events,
// recording into an AVI file, the capture format and its dialog, stills, and that every
// object of the camera is gone after Close, after the panel is destroyed, and after many
// rebuilds.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "avi_file.h"
#include "avi_file_sink.h"
#include "capture_test_window.h"
#include "frame_sizes.h"
#include "dshow/media_type.h"
#include "picture.h"
#include "registration.h"
#include "sample_grabber_cb.h"
#include "simcam_control.h"
#include "tdirectshow.h"

namespace kvo {
namespace {

using test::Pump;
using test::PumpUntil;
using test::TestWindow;

constexpr char kVendor[] = "feed";
constexpr char kProduct[] = "cafe";

std::wstring TempAviPath(const char* name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + name;
  DeleteFileA(path.c_str());
  return std::wstring(path.begin(), path.end());
}

std::vector<uint8_t> FileBytes(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  UniqueFileHandle owner(file);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart > (512LL << 20)) return bytes;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read,
                                  nullptr)) {
    bytes.clear();
  }
  bytes.resize(read);
  return bytes;
}

// The capture pin's current format, read from the bound camera.
bool PinFormat(TDirectShow& panel, VIDEOINFOHEADER* format) {
  ComPtr<IAMStreamConfig> config;
  if (!panel.CaptureBuilder() || !panel.VideoSource() ||
      FAILED(panel.CaptureBuilder()->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                 panel.VideoSource(), IID_IAMStreamConfig,
                                                 reinterpret_cast<void**>(config.GetAddressOf())))) {
    return false;
  }
  dshow::UniqueMediaType type;
  if (FAILED(config->GetFormat(type.put())) || !type.VideoInfo()) return false;
  *format = *type.VideoInfo();
  return true;
}

VIDEOINFOHEADER FormatOfSize(int width, int height) {
  VIDEOINFOHEADER format{};
  format.AvgTimePerFrame = simcam::kFrameInterval;
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 24;
  format.bmiHeader.biCompression = BI_RGB;
  format.bmiHeader.biSizeImage = static_cast<DWORD>(width * 3 * height);
  return format;
}

// What the frames of an uncompressed recording of the simulated camera show. The camera
// draws a box that moves width / 64 pixels along the bars with every frame it delivers,
// so two frames that follow one another in the file show the box one step apart exactly
// when no frame was lost between them, however late the machine delivered them.
struct RecordedFrames {
  int frames = 0;      // chunks holding a whole picture
  int empty = 0;       // chunks without data (a multiplexer's stand-in for a missing time)
  int steps = 0;       // neighbouring pictures whose box moved one step
  int lost = 0;        // neighbouring pictures whose box moved further
  int unreadable = 0;  // pictures without the box row
};

// The box's left edge in the row through the box (a third of the way down), or -1. The
// box has the colour of the last bar, at the right edge, and never reaches into that bar.
int BoxLeft(const uint8_t* bottom_up, int width, int height) {
  const uint8_t* row = bottom_up + static_cast<std::size_t>(height - 1 - height / 3) * width * 3;
  const uint8_t* last_bar = row + (width - 1) * 3;
  for (int x = 0; x < width * 7 / 8; ++x) {
    if (std::memcmp(row + x * 3, last_bar, 3) == 0) return x;
  }
  return -1;
}

RecordedFrames ReadRecordedFrames(const std::vector<uint8_t>& bytes, int width, int height) {
  RecordedFrames result;
  const std::size_t picture = static_cast<std::size_t>(width) * height * 3;
  const int step = std::max(1, width / 64);
  const int travel = std::max(1, width - std::max(2, width / 8));
  auto u32 = [&](std::size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
  };
  // The first movie list; short recordings have no other.
  std::size_t at = 12;
  std::size_t end = 0;
  while (at + 12 <= bytes.size()) {
    const uint32_t size = u32(at + 4);
    if (std::memcmp(&bytes[at], "LIST", 4) == 0 && std::memcmp(&bytes[at + 8], "movi", 4) == 0) {
      end = std::min(bytes.size(), at + 8 + size);
      at += 12;
      break;
    }
    at += 8 + size + (size & 1);
  }
  int previous = -1;
  while (end != 0 && at + 8 <= end) {
    const uint32_t size = u32(at + 4);
    if (std::memcmp(&bytes[at + 2], "db", 2) == 0 || std::memcmp(&bytes[at + 2], "dc", 2) == 0) {
      if (size == 0) {
        ++result.empty;
      } else if (size >= picture && at + 8 + picture <= bytes.size()) {
        ++result.frames;
        const int left = BoxLeft(&bytes[at + 8], width, height);
        if (left < 0) {
          ++result.unreadable;
        } else if (previous >= 0) {
          ((left - previous + travel) % travel == step ? result.steps : result.lost) += 1;
        }
        previous = left;
      }
    }
    at += 8 + size + (size & 1);
  }
  return result;
}

// Every picture the camera delivered between the first and the last frame of the file is
// in it, and there are at least `at_least` of them.
void ExpectEveryFrame(const std::wstring& path, int width, int height, int at_least) {
  const RecordedFrames frames = ReadRecordedFrames(FileBytes(path), width, height);
  EXPECT_GE(frames.frames, at_least) << "pictures in the file";
  EXPECT_EQ(frames.unreadable, 0) << "pictures whose box cannot be found";
  EXPECT_EQ(frames.lost, 0) << "pictures lost between neighbouring frames (of "
                            << frames.frames << ", with " << frames.empty << " empty chunks)";
  EXPECT_EQ(frames.steps, frames.frames - 1);
}

// Pumps messages until the recording file holds at least `frames` pictures of the given
// size: the file sink writes each frame as the multiplexer hands it over.
bool RecordingReaches(const std::wstring& path, int frames, int width = 640, int height = 480) {
  const long long needed = static_cast<long long>(frames) * (width * height * 3 + 8);
  return PumpUntil(
      [&] {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
        return ((static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) >= needed;
      },
      60000);
}

class CaptureCameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment_.ok());
    ASSERT_TRUE(simcam::ResetCamera()) << "the simulated camera cannot be reset";
    ASSERT_NE(window_.handle(), nullptr);
    panel_ = std::make_unique<TDirectShow>(window_.handle());
    MoveWindow(panel_->Handle(), 10, 10, 640, 480, TRUE);
    GrabberCB.FramesSeen = 0;
    camera_objects_before_ = simcam::LiveObjects();
    sink_objects_before_ = AviFileSinkLiveObjects();
  }
  void TearDown() override {
    if (panel_) panel_->Close();
    panel_.reset();
    EXPECT_EQ(simcam::LiveObjects(), camera_objects_before_) << "camera objects left alive";
    EXPECT_EQ(AviFileSinkLiveObjects(), sink_objects_before_) << "file sink objects left alive";
    simcam::ResetCamera();
  }
  // Opens the camera for preview and runs it; true when frames arrive.
  bool Preview() {
    panel_->InitRunCapture(kVendor, kProduct, false);
    if (!panel_->GetReady()) return false;
    panel_->Run();
    return FramesArrive();
  }
  bool FramesArrive() {
    const long before = GrabberCB.FramesSeen.load();
    return PumpUntil([&] { return GrabberCB.FramesSeen.load() >= before + 5; }, 5000);
  }

  ComApartment apartment_;
  TestWindow window_;
  std::unique_ptr<TDirectShow> panel_;
  long camera_objects_before_ = 0;
  long sink_objects_before_ = 0;
};

// ---- discovery ----

TEST_F(CaptureCameraTest, VideoDeviceIsChosenByCaseSensitivePatternAndIndex) {
  struct Case {
    const char* vendor;
    const char* product;
    int32_t index;
    bool bound;
  };
  const Case cases[] = {
      {"feed", "cafe", 0, true},  {"feed", "cafe", 1, false}, {"FEED", "CAFE", 0, false},
      {"feed", "beef", 0, true},  {"feed", "beef", 1, false}, {"feed", "caf", 0, true},
      {"", "", 0, true},          {"", "", 1, true},          {"", "", 2, false},
      {"feed", "d00d", 0, false},
  };
  for (const Case& c : cases) {
    panel_->DeviceIndex = c.index;
    EXPECT_EQ(panel_->GetDeviceEnum(c.vendor, c.product), c.bound)
        << c.vendor << "/" << c.product << " index " << c.index;
    EXPECT_EQ(panel_->VideoSource() != nullptr, c.bound);
  }
  StringList all;
  panel_->GetDeviceList("", "", all);
  std::sort(all.begin(), all.end());  // the platform's order is taken as it comes
  EXPECT_EQ(all, (StringList{"Simulated USB Camera", "Simulated USB Camera 2"}));
  StringList second = {"old entry"};
  EXPECT_EQ(panel_->GetDeviceList("feed", "beef", second), 1);
  EXPECT_EQ(second, StringList{"Simulated USB Camera 2"});
}

// The camera goes while it records: the rebuild that ends the recording finds no source,
// and the panel ends closed, neither previewing nor recording.
TEST_F(CaptureCameraTest, NoVideoDeviceBindsNothingAndAFailedRebuildEndsClosed) {
  const std::wstring path = TempAviPath("capture_no_device.avi");
  ASSERT_TRUE(Preview());
  panel_->StartRecord(path.c_str());
  panel_->Run();
  ASSERT_TRUE(RecordingReaches(path, 1));
  ASSERT_HRESULT_SUCCEEDED(simcam::UnregisterDevice(simcam::Device::kFirst));
  ASSERT_HRESULT_SUCCEEDED(simcam::UnregisterDevice(simcam::Device::kSecond));
  panel_->StopRecord();
  EXPECT_FALSE(panel_->Opened);
  EXPECT_FALSE(panel_->GetReady()) << "a failed rebuild left the panel ready";
  EXPECT_FALSE(panel_->GetInRecord()) << "a failed rebuild left the panel recording";
  EXPECT_FALSE(panel_->Graph()) << "interfaces must be released when no source is bound";
  EXPECT_EQ(panel_->Caption(), "No Preview");
  EXPECT_EQ(panel_->AbortStatus, 0) << "the recording's file was written whole";
  EXPECT_FALSE(panel_->GetDeviceEnum("", ""));
  EXPECT_FALSE(panel_->VideoSource());
  panel_->InitRunCapture(kVendor, kProduct, false);
  EXPECT_FALSE(panel_->Opened);
  EXPECT_FALSE(panel_->Graph()) << "interfaces must be released when no source is bound";
  EXPECT_EQ(panel_->Caption(), "No Preview");
  simcam::RegisterDevice(simcam::Device::kSecond);
  simcam::RegisterDevice(simcam::Device::kFirst);
}

// ---- preview ----

TEST_F(CaptureCameraTest, PreviewRunsInThePanelsVideoWindow) {
  panel_->InitRunCapture(kVendor, kProduct, false);
  EXPECT_TRUE(panel_->Opened);
  ASSERT_TRUE(panel_->GetReady());
  EXPECT_EQ(panel_->Caption(), "Preview");
  EXPECT_EQ(panel_->Vid, "feed");
  EXPECT_EQ(panel_->Pid, "cafe");
  panel_->Run();
  EXPECT_TRUE(FramesArrive()) << "no frames reach the grabber";
  OAHWND owner = 0;
  ASSERT_HRESULT_SUCCEEDED(panel_->VideoWindow()->get_Owner(&owner));
  EXPECT_EQ(reinterpret_cast<HWND>(owner), panel_->Handle());
  long visible = 0;
  panel_->VideoWindow()->get_Visible(&visible);
  EXPECT_EQ(visible, OATRUE);
  // The picture is a child window of the panel covering its client area.
  HWND video = GetWindow(panel_->Handle(), GW_CHILD);
  ASSERT_NE(video, nullptr);
  RECT placed{};
  GetWindowRect(video, &placed);
  MapWindowPoints(nullptr, panel_->Handle(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 0);
  EXPECT_EQ(placed.top, 0);
  EXPECT_EQ(placed.right, 640);
  EXPECT_EQ(placed.bottom, 480);

  panel_->Stop();
  panel_->VideoWindow()->get_Visible(&visible);
  EXPECT_EQ(visible, OAFALSE);
  panel_->Run();
  EXPECT_TRUE(FramesArrive()) << "no frames after pausing and running again";
  panel_->Close();
  EXPECT_EQ(panel_->Caption(), "No Preview");
  EXPECT_FALSE(panel_->GetReady());
  EXPECT_FALSE(panel_->Graph());
}

TEST_F(CaptureCameraTest, CameraWithoutPreviewPinStillPreviews) {
  ASSERT_TRUE(simcam::SetPreviewPin(false));
  panel_->InitRunCapture(kVendor, kProduct, false);
  EXPECT_TRUE(panel_->GetReady()) << "the split capture stream counts as a preview";
  EXPECT_EQ(panel_->Caption(), "Preview");
  panel_->Run();
  EXPECT_TRUE(FramesArrive());
}

TEST_F(CaptureCameraTest, HeldCameraIsLockedByAnotherApplication) {
  ASSERT_TRUE(simcam::SetHeld(true));
  panel_->InitRunCapture(kVendor, kProduct, false);
  EXPECT_TRUE(panel_->Opened);
  EXPECT_FALSE(panel_->GetReady());
  EXPECT_EQ(panel_->Caption(), "Locked by another application");
}

TEST_F(CaptureCameraTest, EmptyVendorTextReusesTheStoredOne) {
  ASSERT_TRUE(Preview());
  panel_->Close();
  panel_->InitRunCapture("", "", false);
  EXPECT_EQ(panel_->Vid, "feed");
  EXPECT_EQ(panel_->Pid, "cafe");
  EXPECT_TRUE(panel_->GetReady());
  EXPECT_EQ(panel_->Caption(), "Preview");
}

TEST_F(CaptureCameraTest, ResizeMovesTheVideoWindowOnlyWhenReady) {
  ASSERT_TRUE(Preview());
  long left, top, width, height;
  MoveWindow(panel_->Handle(), 10, 10, 400, 300, TRUE);
  panel_->Ready = false;
  panel_->ReSizeDS();
  panel_->VideoWindow()->GetWindowPosition(&left, &top, &width, &height);
  EXPECT_EQ(width, 640) << "moved while not ready";
  EXPECT_EQ(height, 480);
  panel_->Ready = true;
  panel_->ReSizeDS();
  panel_->VideoWindow()->GetWindowPosition(&left, &top, &width, &height);
  EXPECT_EQ(width, 400);
  EXPECT_EQ(height, 300);
}

// ---- graph events ----

// Raises events through the graph's own event sink, as a filter does.
void Raise(TDirectShow& panel, std::initializer_list<std::pair<long, LONG_PTR>> events) {
  ComPtr<IMediaEventSink> sink;
  ASSERT_HRESULT_SUCCEEDED(panel.Graph()->QueryInterface(
      IID_IMediaEventSink, reinterpret_cast<void**>(sink.GetAddressOf())));
  for (const auto& event : events) {
    ASSERT_HRESULT_SUCCEEDED(sink->Notify(event.first, event.second, 0));
  }
}

TEST_F(CaptureCameraTest, OnlyADiskAbortSetsDiskErrorAndEveryAbortKeepsItsStatus) {
  struct Case {
    std::initializer_list<std::pair<long, LONG_PTR>> events;
    bool disk_error;
    uint32_t abort_status;
  };
  const Case cases[] = {
      {{{EC_ERRORABORT, static_cast<LONG_PTR>(0x80070070)}}, true, 0x80070070},
      {{{EC_ERRORABORT, static_cast<LONG_PTR>(0x80070002)}}, true, 0x80070002},
      {{{EC_ERRORABORT, static_cast<LONG_PTR>(0x80070005)}}, false, 0x80070005},
      {{{EC_ERRORABORT, static_cast<LONG_PTR>(0x80070003)}}, false, 0x80070003},
      {{{EC_ERRORABORT, 0}}, false, 0},
      {{{EC_COMPLETE, static_cast<LONG_PTR>(0x80070070)}}, false, 0},
      {{{EC_USERABORT, static_cast<LONG_PTR>(0x80070070)}}, false, 0},
      // A later abort replaces an earlier one.
      {{{EC_ERRORABORT, static_cast<LONG_PTR>(0x80070070)},
        {EC_ERRORABORT, static_cast<LONG_PTR>(0x80004005)}},
       false, 0x80004005},
      {{{EC_ERRORABORT, static_cast<LONG_PTR>(0x80004005)},
        {EC_ERRORABORT, static_cast<LONG_PTR>(0x80070002)}},
       true, 0x80070002},
  };
  // The graph posts its message while Notify runs, on this thread; a message posted after
  // it arrives after it, so when the marker is seen the events have been handled.
  constexpr UINT kMarker = WM_APP + 60;
  bool marker_seen = false;
  window_.on_message = [&](UINT message, WPARAM, LPARAM) {
    if (message != kMarker) return false;
    marker_seen = true;
    return true;
  };
  int number = 0;
  for (const Case& c : cases) {
    // A graph that records clears DiskError and AbortStatus (it is built, never run).
    panel_->InitRunCapture(kVendor, kProduct, true);
    ASSERT_FALSE(panel_->DiskError);
    ASSERT_EQ(panel_->AbortStatus, 0);
    Raise(*panel_, c.events);
    marker_seen = false;
    PostMessageA(window_.handle(), kMarker, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return marker_seen; }, 10000));
    EXPECT_EQ(panel_->DiskError, c.disk_error) << "case " << number;
    EXPECT_EQ(static_cast<uint32_t>(panel_->AbortStatus), c.abort_status) << "case " << number;
    long code;
    LONG_PTR first, second;
    EXPECT_EQ(panel_->MediaEvent()->GetEvent(&code, &first, &second, 0), E_ABORT)
        << "case " << number << ": the queue was not drained";
    ++number;
  }
  window_.on_message = nullptr;
  // Without the graph the drain answers E_POINTER.
  panel_->Close();
  EXPECT_EQ(panel_->HandleGraphEvent(), E_POINTER);
}

// ---- recording ----

TEST_F(CaptureCameraTest, RecordsSixtyFramesIntoAnAviFileAndPreviewsAgain) {
  const std::wstring path = TempAviPath("capture_sixty_frames.avi");
  panel_->StartRecord(path.c_str());
  EXPECT_FALSE(panel_->GetInRecord()) << "StartRecord before any graph must do nothing";
  ASSERT_TRUE(Preview());

  panel_->StartRecord(path.c_str());
  ASSERT_TRUE(panel_->GetInRecord());
  EXPECT_TRUE(panel_->RecordMode);
  ASSERT_TRUE(panel_->GetReady());
  IGraphBuilder* recording_graph = panel_->Graph();
  panel_->Run();
  // A second start while recording leaves the graph as it is.
  panel_->StartRecord(L"c:\\other.avi");
  EXPECT_EQ(panel_->Graph(), recording_graph);
  EXPECT_EQ(std::wstring(panel_->CaptureFile), path);
  ASSERT_TRUE(RecordingReaches(path, 60)) << "the recording does not grow";
  panel_->StopRecord();
  EXPECT_FALSE(panel_->GetInRecord());
  panel_->Run();
  EXPECT_TRUE(FramesArrive()) << "the preview does not run after the recording";
  EXPECT_TRUE(panel_->GetReady());

  const AviReadResult avi = ReadAvi(FileBytes(path));
  ASSERT_TRUE(avi.ok) << avi.error;
  ASSERT_GE(avi.file.streams.size(), 1u);
  const AviStream& video = avi.file.streams[0];
  EXPECT_EQ(video.type, "vids");
  EXPECT_EQ(video.width, 640);
  EXPECT_EQ(std::abs(video.height), 480);
  EXPECT_EQ(video.bit_count, 24);
  EXPECT_EQ(video.largest_chunk, 640u * 480u * 3u);
  ExpectEveryFrame(path, 640, 480, 60);
}

TEST_F(CaptureCameraTest, NullPathRecordsIntoTheLastCaptureFile) {
  const std::wstring path = TempAviPath("capture_null_path.avi");
  ASSERT_LT(path.size(), static_cast<std::size_t>(kWidePathChars));
  std::wcscpy(panel_->CaptureFile, path.c_str());
  ASSERT_TRUE(Preview());
  panel_->StartRecord(nullptr);
  ASSERT_TRUE(panel_->GetInRecord());
  panel_->Run();
  ASSERT_TRUE(RecordingReaches(path, 20));
  panel_->StopRecord();
  const AviReadResult avi = ReadAvi(FileBytes(path));
  ASSERT_TRUE(avi.ok) << avi.error;
  ExpectEveryFrame(path, 640, 480, 20);
}

// Whatever each compressor of the platform makes of the camera's stream, the recording has
// every frame: compressed when the compressor connects, uncompressed when it refuses, and
// nothing of a refused attempt stays alive.
TEST_F(CaptureCameraTest, EveryCompressorGivesARecordingWithEveryFrame) {
  panel_->HideVideo1Codec = false;
  StringList compressors;
  panel_->GetCompressorsList(compressors);
  ASSERT_FALSE(compressors.empty());
  for (const std::string& name : compressors) {
    SCOPED_TRACE(name);
    const std::wstring path = TempAviPath("capture_compressed.avi");
    std::wcscpy(panel_->CaptureFile, path.c_str());
    panel_->CompressorName = name;
    panel_->InitRunCapture(kVendor, kProduct, true);
    ASSERT_TRUE(panel_->GetReady());
    ComPtr<IBaseFilter> compressor_in_graph;
    const bool compressed =
        SUCCEEDED(panel_->Graph()->FindFilterByName(L"Compressor",
                                                     compressor_in_graph.GetAddressOf()));
    compressor_in_graph.Reset();
    panel_->Run();
    // Compressed frames are smaller: a small picture's worth of file will do then.
    ASSERT_TRUE(compressed ? RecordingReaches(path, 1, 160, 120) : RecordingReaches(path, 20));
    panel_->Close();
    const AviReadResult avi = ReadAvi(FileBytes(path));
    ASSERT_TRUE(avi.ok) << avi.error;
    ASSERT_GE(avi.file.streams.size(), 1u);
    if (compressed) {
      EXPECT_NE(avi.file.streams[0].compression, 0u) << "the compressor in the graph did nothing";
      EXPECT_GE(FramesOf(avi.file, 0), 1u);
    } else {
      EXPECT_EQ(avi.file.streams[0].compression, 0u);
      EXPECT_EQ(avi.file.streams[0].bit_count, 24);
      ExpectEveryFrame(path, 640, 480, 20);
    }
    EXPECT_EQ(simcam::LiveObjects(), camera_objects_before_) << "camera objects left alive";
    EXPECT_EQ(AviFileSinkLiveObjects(), sink_objects_before_) << "file sinks left alive";
  }
}

TEST_F(CaptureCameraTest, CloseDuringRecordingKeepsInRecordUntilTheNextBuild) {
  ASSERT_TRUE(Preview());
  const std::wstring path = TempAviPath("capture_closed.avi");
  panel_->StartRecord(path.c_str());
  panel_->Run();
  ASSERT_TRUE(RecordingReaches(path, 1));
  panel_->Close();
  EXPECT_TRUE(panel_->GetInRecord());
  EXPECT_EQ(panel_->Caption(), "No Preview");
  panel_->InitRunCapture(kVendor, kProduct, false);
  EXPECT_FALSE(panel_->GetInRecord());
}

// ---- audio ----

int Occurrences(const StringList& list, const std::string& name) {
  return static_cast<int>(std::count(list.begin(), list.end(), name));
}

TEST_F(CaptureCameraTest, AudioDevicesAreListedAndBoundByPosition) {
  StringList list;
  ASSERT_EQ(panel_->GetAudioDeviceList(list), 0);
  ASSERT_EQ(Occurrences(list, "Simulated Microphone 1"), 1) << "simmic.dll is not registered";
  ASSERT_EQ(Occurrences(list, "Simulated Microphone 2"), 1);
  const int devices = static_cast<int>(list.size());
  // The list is not cleared: a second call lists every name again.
  panel_->GetAudioDeviceList(list);
  EXPECT_EQ(static_cast<int>(list.size()), 2 * devices);
  EXPECT_EQ(Occurrences(list, "Simulated Microphone 2"), 2);

  panel_->CaptureAudio = true;
  panel_->AudioIndex = devices - 1;
  EXPECT_EQ(panel_->GetAudioDevice(devices - 1), 0);
  EXPECT_TRUE(panel_->AudioSource());
  EXPECT_TRUE(panel_->CaptureAudio);
  EXPECT_EQ(panel_->AudioIndex, devices - 1);
  // One past the last device: nothing bound, audio recording off, position back to 0.
  EXPECT_EQ(panel_->GetAudioDevice(devices), 1);
  EXPECT_FALSE(panel_->AudioSource());
  EXPECT_FALSE(panel_->CaptureAudio);
  EXPECT_EQ(panel_->AudioIndex, 0);
}

// Whether a connected path leads from the filter's outputs to the target filter.
bool LeadsTo(IBaseFilter* from, IBaseFilter* target, int depth = 0) {
  if (from == nullptr || depth > 16) return false;
  ComPtr<IEnumPins> pins;
  if (FAILED(from->EnumPins(pins.GetAddressOf()))) return false;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION direction;
    ComPtr<IPin> peer;
    if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT ||
        FAILED(pin->ConnectedTo(peer.GetAddressOf())) || !peer) {
      continue;
    }
    PIN_INFO info{};
    if (FAILED(peer->QueryPinInfo(&info))) continue;
    ComPtr<IBaseFilter> next;
    next.Attach(info.pFilter);
    if (next.Get() == target || LeadsTo(next.Get(), target, depth + 1)) return true;
  }
  return false;
}

TEST_F(CaptureCameraTest, RecordingWithAudioBindsTheMicrophoneAndStillRecordsTheVideo) {
  const std::wstring path = TempAviPath("capture_with_audio.avi");
  std::wcscpy(panel_->CaptureFile, path.c_str());
  panel_->CaptureAudio = true;
  panel_->AudioIndex = 0;
  ASSERT_TRUE(Preview());
  panel_->StartRecord(nullptr);
  ASSERT_TRUE(panel_->GetInRecord());
  ASSERT_TRUE(panel_->AudioSource()) << "the microphone at position 0 is not bound";
  EXPECT_TRUE(panel_->CaptureAudio);
  ComPtr<IBaseFilter> audio_in_graph;
  EXPECT_HRESULT_SUCCEEDED(
      panel_->Graph()->FindFilterByName(L"Audio Device", audio_in_graph.GetAddressOf()));
  EXPECT_EQ(audio_in_graph.Get(), panel_->AudioSource());
  audio_in_graph.Reset();
  // Whether the microphone's stream leads to the AVI multiplexer (Wine's mux refuses it):
  // what the graph connected to the mux is what must reach the file.
  ComPtr<IBaseFilter> mux;
  {
    ComPtr<IEnumFilters> filters;
    ComPtr<IBaseFilter> filter;
    ASSERT_HRESULT_SUCCEEDED(panel_->Graph()->EnumFilters(filters.GetAddressOf()));
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      CLSID clsid{};
      if (SUCCEEDED(filter->GetClassID(&clsid)) && clsid == CLSID_AviDest) mux = filter;
    }
  }
  ASSERT_TRUE(mux) << "no AVI multiplexer in the recording graph";
  const bool audio_connected = LeadsTo(panel_->AudioSource(), mux.Get());
  EXPECT_TRUE(LeadsTo(panel_->VideoSource(), mux.Get())) << "the video does not reach the mux";
  mux.Reset();
  RecordProperty("audio_connected", audio_connected ? 1 : 0);
  panel_->Run();
  ASSERT_TRUE(RecordingReaches(path, 40));
  panel_->StopRecord();
  EXPECT_FALSE(panel_->GetInRecord());
  EXPECT_FALSE(panel_->AudioSource()) << "the preview graph binds no microphone";

  const AviReadResult avi = ReadAvi(FileBytes(path));
  ASSERT_TRUE(avi.ok) << avi.error;
  ASSERT_GE(avi.file.streams.size(), 1u);
  EXPECT_EQ(avi.file.streams[0].type, "vids");
  ExpectEveryFrame(path, 640, 480, 40);
  int audio_streams = 0;
  uint64_t audio_bytes = 0;
  for (const AviStream& stream : avi.file.streams) {
    if (stream.type != "auds") continue;
    ++audio_streams;
    audio_bytes += stream.chunk_bytes;
  }
  EXPECT_EQ(audio_streams, audio_connected ? 1 : 0)
      << "the file's sound streams do not match what the graph connected";
  if (audio_connected) {
    EXPECT_GT(audio_bytes, 0u) << "a sound stream without sound";
  }
}

// ---- capture format ----

TEST_F(CaptureCameraTest, StoredFormatAppliesAtTheNextBuildAndTheMarkerLeavesThePin) {
  const VIDEOINFOHEADER small = FormatOfSize(320, 240);
  panel_->CapturePinSet(&small);
  panel_->InitRunCapture(kVendor, kProduct, false);
  ASSERT_TRUE(panel_->GetReady());
  VIDEOINFOHEADER pin{};
  ASSERT_TRUE(PinFormat(*panel_, &pin));
  EXPECT_EQ(pin.bmiHeader.biWidth, 320);
  EXPECT_EQ(pin.bmiHeader.biHeight, 240);
  EXPECT_EQ(GrabberCB.Width, 320);
  EXPECT_EQ(GrabberCB.Height, 240);

  VIDEOINFOHEADER none{};
  none.bmiHeader.biCompression = 0xFFFFFFFFu;
  panel_->CapturePinSet(&none);
  panel_->InitRunCapture(kVendor, kProduct, false);
  ASSERT_TRUE(PinFormat(*panel_, &pin));
  EXPECT_EQ(pin.bmiHeader.biWidth, simcam::kDefaultFrameSize.width);
  EXPECT_EQ(pin.bmiHeader.biHeight, simcam::kDefaultFrameSize.height);
  VIDEOINFOHEADER kept{};
  panel_->CapturePinGet(&kept);
  EXPECT_EQ(0, std::memcmp(&kept, &none, sizeof kept));
}

// The dialog step is played by the test: it sees the capture pin's stream configuration
// as the pin's property page would, while the panel waits for it.
TEST_F(CaptureCameraTest, FormatDialogChangesThePinAndTheStoredFormatFollows) {
  ASSERT_TRUE(Preview());
  VIDEOINFOHEADER before{};
  panel_->CapturePinGet(&before);
  ASSERT_EQ(before.bmiHeader.biCompression, 0xFFFFFFFFu);
  const uint64_t refused_before = simcam::StreamStats().formats_not_offered;
  int dialogs = 0;
  bool open_flag = false;
  HRESULT set_status = E_FAIL;
  VIDEOINFOHEADER shown{};
  panel_->FormatEditor = [&](IAMStreamConfig* config) {
    ++dialogs;
    open_flag = panel_->FormatDialogOpen;
    PinFormat(*panel_, &shown);
    // A second call while the dialog is open comes back without another dialog.
    panel_->VCapCapturePinSet();
    // The camera is out of any connection: a page can change its size.
    dshow::UniqueMediaType type;
    if (SUCCEEDED(config->GetFormat(type.put())) && type.VideoInfo()) {
      VIDEOINFOHEADER* info = type.VideoInfo();
      info->bmiHeader.biWidth = 320;
      info->bmiHeader.biHeight = 240;
      info->bmiHeader.biSizeImage = 320 * 240 * 3;
      set_status = config->SetFormat(type.get());
    }
    return FormatEditResult::kClosed;
  };
  panel_->VCapCapturePinSet();
  EXPECT_EQ(dialogs, 1);
  // No format stored: the dialog opens on the pin's own format, and the camera was never
  // handed the marker as a format.
  EXPECT_EQ(shown.bmiHeader.biWidth, simcam::kDefaultFrameSize.width);
  EXPECT_EQ(shown.bmiHeader.biHeight, simcam::kDefaultFrameSize.height);
  EXPECT_EQ(simcam::StreamStats().formats_not_offered, refused_before)
      << "the camera was handed the no-format marker";
  EXPECT_TRUE(open_flag) << "FormatDialogOpen was not set while the dialog was open";
  EXPECT_FALSE(panel_->FormatDialogOpen);
  EXPECT_HRESULT_SUCCEEDED(set_status) << "the pin was still connected during the dialog";
  VIDEOINFOHEADER stored{};
  panel_->CapturePinGet(&stored);
  EXPECT_EQ(stored.bmiHeader.biWidth, 320);
  EXPECT_EQ(stored.bmiHeader.biHeight, 240);
  EXPECT_EQ(stored.bmiHeader.biBitCount, 24);
  VIDEOINFOHEADER pin{};
  ASSERT_TRUE(PinFormat(*panel_, &pin));
  EXPECT_EQ(pin.bmiHeader.biWidth, 320);
  EXPECT_TRUE(panel_->GetReady());
  EXPECT_TRUE(FramesArrive()) << "the graph was not rebuilt and run";
  EXPECT_EQ(GrabberCB.Width, 320);
  // The camera's objects are checked in TearDown: none may stay behind.
}

TEST_F(CaptureCameraTest, CancelledFormatDialogKeepsTheRecordAndTheStoredFormatIsApplied) {
  const VIDEOINFOHEADER small = FormatOfSize(320, 240);
  panel_->CapturePinSet(&small);
  ASSERT_TRUE(Preview());
  panel_->FormatEditor = [&](IAMStreamConfig* config) {
    // The user picks another size and then cancels: our own dialog sets nothing then.
    static_cast<void>(config);
    return FormatEditResult::kCancelled;
  };
  panel_->VCapCapturePinSet();
  VIDEOINFOHEADER stored{};
  panel_->CapturePinGet(&stored);
  EXPECT_EQ(0, std::memcmp(&stored, &small, sizeof stored)) << "Cancel changed the record";
  EXPECT_TRUE(panel_->GetReady());
  EXPECT_TRUE(FramesArrive());

  // A dialog closed without a change: the stored format is applied to the pin, the graph
  // rebuilt with it, and the record takes what the pin reports.
  panel_->FormatEditor = [](IAMStreamConfig*) { return FormatEditResult::kClosed; };
  const VIDEOINFOHEADER large = FormatOfSize(640, 480);
  panel_->CapturePinSet(&large);
  panel_->VCapCapturePinSet();
  VIDEOINFOHEADER pin{};
  ASSERT_TRUE(PinFormat(*panel_, &pin));
  EXPECT_EQ(pin.bmiHeader.biWidth, 640);
  EXPECT_EQ(pin.bmiHeader.biHeight, 480);
  panel_->CapturePinGet(&stored);
  EXPECT_EQ(0, std::memcmp(&stored, &pin, sizeof stored)) << "the record is not the pin's format";
  EXPECT_TRUE(FramesArrive());

  // While the dialog is open, a call does nothing at all.
  IGraphBuilder* graph = panel_->Graph();
  panel_->FormatDialogOpen = true;
  panel_->VCapCapturePinSet();
  panel_->FormatDialogOpen = false;
  EXPECT_EQ(panel_->Graph(), graph);
}

// The application ends ("Close", the end of the session) while the dialog is open: the
// panel is closed or its window destroyed inside the dialog's modal loop. Once the dialog
// returns, nothing may touch the released interfaces, and later calls do nothing.
TEST_F(CaptureCameraTest, CloseOrDestroyWhileTheFormatDialogIsOpenIsSafe) {
  for (const bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "window destroyed" : "Close");
    if (destroy) {
      panel_ = std::make_unique<TDirectShow>(window_.handle());
      MoveWindow(panel_->Handle(), 10, 10, 640, 480, TRUE);
    }
    ASSERT_TRUE(Preview());
    panel_->FormatEditor = [&](IAMStreamConfig*) {
      if (destroy) {
        DestroyWindow(panel_->Handle());
      } else {
        panel_->Close();
      }
      return FormatEditResult::kClosed;
    };
    panel_->VCapCapturePinSet();
    EXPECT_FALSE(panel_->Graph());
    EXPECT_FALSE(panel_->VideoSource());
    EXPECT_FALSE(panel_->FormatDialogOpen);
    // Every operation that drives the graph finds it gone.
    panel_->InitRun(true);
    panel_->Run();
    panel_->Stop();
    panel_->ReSizeDS();
    panel_->StartRecord(L"c:\\never.avi");
    panel_->StopRecord();
    panel_->VCapCapturePinSet();
    EXPECT_FALSE(panel_->Graph());
    EXPECT_EQ(simcam::LiveObjects(), camera_objects_before_) << "camera objects left alive";
    if (!destroy) {
      EXPECT_EQ(panel_->Caption(), "No Preview");
    }
    panel_->Close();
    EXPECT_FALSE(panel_->GetReady());
  }
}

// ---- stills ----

int Difference(const uint8_t* pixel, const simcam::Bgr& colour) {
  return std::abs(pixel[0] - colour.blue) + std::abs(pixel[1] - colour.green) +
         std::abs(pixel[2] - colour.red);
}

TEST_F(CaptureCameraTest, StillIsTheCamerasPictureTopRowFirst) {
  const VIDEOINFOHEADER small = FormatOfSize(320, 240);
  panel_->CapturePinSet(&small);
  ASSERT_TRUE(Preview());
  // The still branch's renderer takes each frame as it comes, off the graph's clock.
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(S_OK, panel_->Graph()->FindFilterByName(L"NULL renderer", renderer.GetAddressOf()));
  ComPtr<IReferenceClock> clock;
  EXPECT_EQ(S_OK, renderer->GetSyncSource(clock.GetAddressOf()));
  EXPECT_EQ(nullptr, clock.Get());
  ComPtr<IMediaFilter> graph_timing;
  ASSERT_EQ(S_OK, panel_->Graph()->QueryInterface(IID_PPV_ARGS(&graph_timing)));
  EXPECT_EQ(S_OK, graph_timing->GetSyncSource(clock.GetAddressOf()));
  EXPECT_NE(nullptr, clock.Get()) << "the graph itself keeps a clock";
  ASSERT_TRUE(panel_->StillImg());
  Bitmap24 still;
  panel_->GetImg(still);
  ASSERT_EQ(still.width(), 320);
  ASSERT_EQ(still.height(), 240);
  ASSERT_EQ(still.stride(), 960u);
  // The colour bars fill the upper part of the picture; the box passes below row 40.
  for (int bar = 0; bar < simcam::kBarCount; ++bar) {
    const int x = (2 * bar + 1) * 320 / (2 * simcam::kBarCount);
    EXPECT_LE(Difference(still.Row(20) + x * 3, simcam::BarColour(bar)), 6) << "bar " << bar;
  }
  // The grey ramp fills the lower third, darker to the left; the clock sits bottom left.
  const uint8_t* ramp = still.Row(170);
  EXPECT_LT(ramp[100 * 3], ramp[300 * 3]);
  EXPECT_EQ(ramp[300 * 3], ramp[300 * 3 + 1]);
  EXPECT_EQ(ramp[300 * 3], ramp[300 * 3 + 2]);
}

TEST_F(CaptureCameraTest, StillWaitIsBoundedWhenNoFrameComes) {
  panel_->InitRunCapture(kVendor, kProduct, false);
  ASSERT_TRUE(panel_->GetReady());  // built, but never run: no frame arrives
  const DWORD start = GetTickCount();
  EXPECT_FALSE(panel_->StillImg());
  const DWORD waited = GetTickCount() - start;
  EXPECT_GE(waited, TDirectShow::kStillWaitMs - 50);
  EXPECT_LT(waited, TDirectShow::kStillWaitMs * 3);
  EXPECT_FALSE(StillRequested) << "the timed-out request was left pending";
  // Running now, a new request is answered.
  panel_->Run();
  ASSERT_TRUE(FramesArrive());
  EXPECT_TRUE(panel_->StillImg());
}

// ---- ownership ----

TEST_F(CaptureCameraTest, DestroyingThePanelReleasesTheGraph) {
  ASSERT_TRUE(Preview());
  EXPECT_GT(simcam::LiveObjects(), camera_objects_before_);
  DestroyWindow(panel_->Handle());
  EXPECT_FALSE(panel_->Graph());
  EXPECT_FALSE(panel_->VideoSource());
  EXPECT_EQ(simcam::LiveObjects(), camera_objects_before_);
  // The flags and caption stay; a later Close only resets them.
  EXPECT_TRUE(panel_->GetReady());
  panel_->Close();
  EXPECT_FALSE(panel_->GetReady());
}

TEST_F(CaptureCameraTest, TwentyRebuildCyclesLeaveNothingBehind) {
  const std::wstring path = TempAviPath("capture_cycles.avi");
  const VIDEOINFOHEADER small = FormatOfSize(320, 240);
  const VIDEOINFOHEADER large = FormatOfSize(640, 480);
  for (int cycle = 0; cycle < 20; ++cycle) {
    SCOPED_TRACE(cycle);
    panel_->CapturePinSet(cycle % 2 ? &small : &large);
    ASSERT_TRUE(Preview());
    DeleteFileW(path.c_str());  // the recording never overwrites the last cycle's file
    panel_->StartRecord(path.c_str());
    ASSERT_TRUE(panel_->GetInRecord());
    panel_->Run();
    ASSERT_TRUE(RecordingReaches(path, 1, cycle % 2 ? 320 : 640, cycle % 2 ? 240 : 480));
    panel_->StopRecord();
    panel_->Run();
    ASSERT_TRUE(panel_->GetReady());
  }
  panel_->Close();
  EXPECT_EQ(simcam::LiveObjects(), camera_objects_before_);
  EXPECT_EQ(AviFileSinkLiveObjects(), sink_objects_before_);
}

}  // namespace
}  // namespace kvo
