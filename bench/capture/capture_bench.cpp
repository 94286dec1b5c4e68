// Capture component benchmark with the simulated camera at 640 x 480, 30 frames a second:
// frames delivered to the grabber, the delays of starting and stopping a recording, and
// the processor time the grabber branch costs, split into the camera's streaming threads
// (the stand-in) and the rest of the process (the suite and the platform's filters).
// Prints a table.
#include <windows.h>
#include <dshow.h>

#include <cstdio>
#include <string>

#include "capture_test_window.h"
#include "live_objects.h"
#include "sample_grabber_cb.h"
#include "simcam_control.h"
#include "tdirectshow.h"

using namespace kvo;

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

// What the simulated camera's streaming threads have done in this process.
SimCamStats StreamStats() {
  SimCamStats stats = {};
  HMODULE module = GetModuleHandleA("simcam.dll");
  if (module == nullptr) return stats;
  using StatsFunction = void(WINAPI*)(SimCamStats*);
  auto read = reinterpret_cast<StatsFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "SimCamStreamStats")));
  if (read != nullptr) read(&stats);
  return stats;
}

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

VIDEOINFOHEADER Vga() {
  VIDEOINFOHEADER format{};
  format.AvgTimePerFrame = 333333;
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = 640;
  format.bmiHeader.biHeight = 480;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 24;
  format.bmiHeader.biSizeImage = 640 * 480 * 3;
  return format;
}

void RemoveGrabberBranch(TDirectShow& panel) {
  for (const wchar_t* name : {L"Grabber", L"NULL renderer"}) {
    Microsoft::WRL::ComPtr<IBaseFilter> filter;
    if (SUCCEEDED(panel.Graph->FindFilterByName(name, filter.GetAddressOf())) && filter) {
      panel.Graph->RemoveFilter(filter.Get());
    }
  }
}

struct Load {
  double process = 0;  // processor seconds per wall second, whole process
  double camera = 0;   // of which the camera's streaming threads
  double camera_frames = 0;  // frames the camera delivered per second, all pins
};

// The load while the preview runs for the given time.
Load CpuLoad(TDirectShow& panel, bool with_grabber, DWORD milliseconds) {
  panel.InitRunCapture("feed", "cafe", false);
  if (!with_grabber) RemoveGrabberBranch(panel);
  panel.Run();
  test::Pump(1000);  // settle
  const double cpu_before = ProcessCpuSeconds();
  const SimCamStats camera_before = StreamStats();
  const LARGE_INTEGER start = Now();
  test::Pump(milliseconds);
  const double wall = Seconds(start, Now());
  const SimCamStats camera_after = StreamStats();
  Load load;
  load.process = (ProcessCpuSeconds() - cpu_before) / wall;
  load.camera = static_cast<double>(camera_after.cpu_time_100ns - camera_before.cpu_time_100ns) /
                1e7 / wall;
  load.camera_frames =
      static_cast<double>(camera_after.frames_delivered - camera_before.frames_delivered) / wall;
  panel.Close();
  return load;
}

}  // namespace

int main() {
  ComApartment apartment;
  simcam::ResetCamera();
  test::TestWindow window;
  TDirectShow panel(window.handle());
  MoveWindow(panel.Handle(), 0, 0, 640, 480, TRUE);
  const VIDEOINFOHEADER vga = Vga();
  panel.CapturePinSet(&vga);

  // Delivered frame rate with the grabber branch.
  panel.InitRunCapture("feed", "cafe", false);
  if (!panel.GetReady()) {
    std::printf("the simulated camera cannot be previewed\n");
    return 1;
  }
  panel.Run();
  test::Pump(1000);
  GrabberCB.FramesSeen = 0;
  LARGE_INTEGER start = Now();
  test::Pump(30000);
  const double fps = GrabberCB.FramesSeen.load() / Seconds(start, Now());

  // StartRecord to the first frame in the file; StopRecord to the preview running again.
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const std::string narrow = std::string(folder) + "capture_bench.avi";
  const std::wstring path(narrow.begin(), narrow.end());
  DeleteFileW(path.c_str());
  start = Now();
  panel.StartRecord(path.c_str());
  panel.Run();
  test::PumpUntil([&] { return FileSize(path) >= 640LL * 480 * 3; }, 10000);
  const double to_first_frame = Seconds(start, Now());
  test::Pump(2000);
  start = Now();
  panel.StopRecord();
  panel.Run();
  const long seen = GrabberCB.FramesSeen.load();
  test::PumpUntil([&] { return GrabberCB.FramesSeen.load() > seen; }, 10000);
  const double to_preview = Seconds(start, Now());
  panel.Close();
  DeleteFileW(path.c_str());

  // Alternating runs, so that a change in the machine's load meets both sides alike.
  Load with_grabber, without_grabber;
  constexpr int kRounds = 3;
  for (int round = 0; round < kRounds; ++round) {
    const Load with = CpuLoad(panel, true, 5000);
    const Load without = CpuLoad(panel, false, 5000);
    with_grabber.process += with.process / kRounds;
    with_grabber.camera += with.camera / kRounds;
    with_grabber.camera_frames += with.camera_frames / kRounds;
    without_grabber.process += without.process / kRounds;
    without_grabber.camera += without.camera / kRounds;
    without_grabber.camera_frames += without.camera_frames / kRounds;
  }
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };

  std::printf("| measure                                   | value     | target    |\n");
  std::printf("|-------------------------------------------|-----------|-----------|\n");
  std::printf("| grabber frames per second, 640x480, 30 s  | %9.2f | >= 29.5   |\n", fps);
  std::printf("| StartRecord to first frame in file (s)    | %9.3f |           |\n", to_first_frame);
  std::printf("| StopRecord to preview running again (s)   | %9.3f |           |\n", to_preview);
  std::printf("| CPU load with grabber branch (s/s)        | %9.3f |           |\n",
              with_grabber.process);
  std::printf("|   of which the camera's threads (s/s)     | %9.3f |           |\n",
              with_grabber.camera);
  std::printf("|   camera frames per second, all pins      | %9.2f |           |\n",
              with_grabber.camera_frames);
  std::printf("| CPU load without grabber branch (s/s)     | %9.3f |           |\n",
              without_grabber.process);
  std::printf("|   of which the camera's threads (s/s)     | %9.3f |           |\n",
              without_grabber.camera);
  std::printf("|   camera frames per second, all pins      | %9.2f |           |\n",
              without_grabber.camera_frames);
  std::printf("| CPU ratio with / without                  | %9.2f | <= 1.10   |\n",
              ratio(with_grabber.process, without_grabber.process));
  std::printf("| same, without the camera's threads        | %9.2f |           |\n",
              ratio(with_grabber.process - with_grabber.camera,
                    without_grabber.process - without_grabber.camera));
  return 0;
}
