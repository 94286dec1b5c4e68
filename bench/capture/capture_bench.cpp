// Capture component benchmark with the simulated camera at 640 x 480, 30 frames a second:
// frames delivered to the grabber, the delays of starting and stopping a recording, and
// the processor time the grabber branch costs. Prints a table.
#include <windows.h>
#include <dshow.h>

#include <cstdio>
#include <string>

#include "capture_test_window.h"
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

// Processor seconds per wall second while the preview runs for the given time.
double CpuLoad(TDirectShow& panel, bool with_grabber, DWORD milliseconds) {
  panel.InitRunCapture("feed", "cafe", false);
  if (!with_grabber) RemoveGrabberBranch(panel);
  panel.Run();
  test::Pump(1000);  // settle
  const double cpu_before = ProcessCpuSeconds();
  const LARGE_INTEGER start = Now();
  test::Pump(milliseconds);
  const double load = (ProcessCpuSeconds() - cpu_before) / Seconds(start, Now());
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

  const double with_grabber = CpuLoad(panel, true, 10000);
  const double without_grabber = CpuLoad(panel, false, 10000);

  std::printf("| measure                                   | value     | target    |\n");
  std::printf("|-------------------------------------------|-----------|-----------|\n");
  std::printf("| grabber frames per second, 640x480, 30 s  | %9.2f | >= 29.5   |\n", fps);
  std::printf("| StartRecord to first frame in file (s)    | %9.3f |           |\n", to_first_frame);
  std::printf("| StopRecord to preview running again (s)   | %9.3f |           |\n", to_preview);
  std::printf("| CPU load with grabber branch (s/s)        | %9.3f |           |\n", with_grabber);
  std::printf("| CPU load without grabber branch (s/s)     | %9.3f |           |\n", without_grabber);
  std::printf("| CPU ratio with / without                  | %9.2f |           |\n",
              without_grabber > 0 ? with_grabber / without_grabber : 0.0);
  return 0;
}
