// Capture component benchmark with the simulated camera at 640 x 480, 30 frames a second:
// frames delivered to the grabber, the delays of starting and stopping a recording, and
// what the still branch (Sample Grabber, callback, Null Renderer) costs beside the preview.
// The whole process's time moves in scheduler ticks of 10 ms, coarse for a load of a few
// hundredths of a processor; the camera's streaming threads time what they do by the
// performance counter: their own work (buffers and pictures, which a real camera's driver
// does outside the process) and the time spent in each pin's downstream filters.
// Prints a table.
#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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
    if (SUCCEEDED(panel.Graph()->FindFilterByName(name, filter.GetAddressOf())) && filter) {
      panel.Graph()->RemoveFilter(filter.Get());
    }
  }
}

// Seconds per wall second of each part of the work while the preview runs.
struct Load {
  double process = 0;             // the whole process, in ticks
  double camera_threads = 0;      // the camera's streaming threads, in ticks, downstream
                                  // filters' Receive included
  double camera_work = 0;         // the camera's own work: buffers and pictures
  double still_branch = 0;        // in the capture pin's downstream: the still branch
  double preview_downstream = 0;  // in the preview pin's downstream: the video renderer
  double frames = 0;              // frames the camera delivered per second, all pins
  double drawn = 0;               // pictures it drew per second

  // What a real camera, whose driver works outside the process, would leave: the process
  // without the camera's threads, but with the downstream filters' work those threads run.
  double SuiteAndPlatform() const {
    return process - camera_threads + still_branch + preview_downstream;
  }
  void AddShare(const Load& round, int rounds) {
    process += round.process / rounds;
    camera_threads += round.camera_threads / rounds;
    camera_work += round.camera_work / rounds;
    still_branch += round.still_branch / rounds;
    preview_downstream += round.preview_downstream / rounds;
    frames += round.frames / rounds;
    drawn += round.drawn / rounds;
  }
};

constexpr int kRounds = 10;
constexpr DWORD kRoundMs = 4000;

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Ratio(double a, double b) { return b > 0 ? a / b : 0.0; }

// The load while the preview runs for the given time.
Load CpuLoad(TDirectShow& panel, bool with_grabber, DWORD milliseconds) {
  panel.InitRunCapture("feed", "cafe", false);
  if (!with_grabber) RemoveGrabberBranch(panel);
  panel.Run();
  test::Pump(1000);  // settle
  const double cpu_before = ProcessCpuSeconds();
  const SimCamStats camera_before = simcam::StreamStats();
  const LARGE_INTEGER start = Now();
  test::Pump(milliseconds);
  const double wall = Seconds(start, Now());
  const SimCamStats camera_after = simcam::StreamStats();
  auto per_second = [&](uint64_t SimCamStats::*field) {
    return static_cast<double>(camera_after.*field - camera_before.*field) / wall;
  };
  Load load;
  load.process = (ProcessCpuSeconds() - cpu_before) / wall;
  load.camera_threads = per_second(&SimCamStats::cpu_time_100ns) / 1e7;
  load.camera_work = per_second(&SimCamStats::camera_work_100ns) / 1e7;
  load.still_branch = per_second(&SimCamStats::capture_downstream_100ns) / 1e7;
  load.preview_downstream = per_second(&SimCamStats::preview_downstream_100ns) / 1e7;
  load.frames = per_second(&SimCamStats::frames_delivered);
  load.drawn = per_second(&SimCamStats::pictures_drawn);
  panel.Close();
  return load;
}

void PrintRow(const char* measure, double with, double without, const char* format) {
  char row[160];
  std::snprintf(row, sizeof row, "| %%-46s | %s | %s |\n", format, format);
  std::printf(row, measure, with, without);
}

void PrintLoads(const Load& with, const Load& without) {
  char title[64];
  std::snprintf(title, sizeof title, "%d rounds of %lu s, seconds per second", kRounds,
                kRoundMs / 1000);
  std::printf("| %-46s | with      | without   |\n", title);
  std::printf("|------------------------------------------------|-----------|-----------|\n");
  PrintRow("whole process (ticks)", with.process, without.process, "%9.4f");
  PrintRow("  camera's streaming threads (ticks)", with.camera_threads, without.camera_threads,
           "%9.4f");
  PrintRow("  camera's own work: buffers, pictures", with.camera_work, without.camera_work,
           "%9.4f");
  PrintRow("  still branch: grabber, callback, renderer", with.still_branch,
           without.still_branch, "%9.4f");
  PrintRow("  preview pin's video renderer", with.preview_downstream,
           without.preview_downstream, "%9.4f");
  PrintRow("camera frames per second, all pins", with.frames, without.frames, "%9.2f");
  PrintRow("pictures drawn per second", with.drawn, without.drawn, "%9.2f");
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

  // Alternating runs, so that a change in the machine's load meets both sides alike; the
  // ratios of the whole process swing with its ticks, so the median of the rounds counts.
  Load with_grabber, without_grabber;
  std::vector<double> ratios, suite_ratios, own_work_ratios;
  for (int round = 0; round < kRounds; ++round) {
    const Load with = CpuLoad(panel, true, kRoundMs);
    const Load without = CpuLoad(panel, false, kRoundMs);
    ratios.push_back(Ratio(with.process, without.process));
    own_work_ratios.push_back(Ratio(with.process - with.camera_work,
                                    without.process - without.camera_work));
    suite_ratios.push_back(Ratio(with.SuiteAndPlatform(), without.SuiteAndPlatform()));
    with_grabber.AddShare(with, kRounds);
    without_grabber.AddShare(without, kRounds);
  }
  // The still branch runs on the capture pin's streaming thread and nowhere else: its
  // cost is the time spent there, beside what the preview costs without it.
  const double preview = without_grabber.SuiteAndPlatform();
  const double still_branch_ratio = Ratio(preview + with_grabber.still_branch, preview);

  std::printf("| measure                                        | value     | target    |\n");
  std::printf("|------------------------------------------------|-----------|-----------|\n");
  std::printf("| grabber frames per second, 640x480, 30 s       | %9.2f | >= 29.5   |\n", fps);
  std::printf("| StartRecord to first frame in file (s)         | %9.3f |           |\n",
              to_first_frame);
  std::printf("| StopRecord to preview running again (s)        | %9.3f |           |\n",
              to_preview);
  std::printf("| CPU with / without the still branch:           |           |           |\n");
  std::printf("|   whole process, median of the rounds          | %9.2f |           |\n",
              Median(ratios));
  std::printf("|   without the camera's buffers, pictures       | %9.2f |           |\n",
              Median(own_work_ratios));
  std::printf("|   suite and platform: without camera threads   | %9.2f | <= 1.10   |\n",
              Median(suite_ratios));
  std::printf("|   the still branch's own time beside preview   | %9.3f |           |\n",
              still_branch_ratio);
  std::printf("\n");
  PrintLoads(with_grabber, without_grabber);
  return 0;
}
