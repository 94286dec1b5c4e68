// The camera's snapshot button with KVO_MAIN.exe previewing and quickdock.exe polling: how
// long from the press until the JPEG lies complete on disk, and where that time goes. Each
// press is split into
//   state 3   the driver's SnapShotState turns 3 (read from the registry as the tray reads it)
//   relay     quickdock's poll saw it and started "KVO_MAIN.exe View" (a second instance)
//   file      the next IMG%06d.jpg appears in the still folder
//   complete  the file is closed by its writer and ends with the JPEG end marker
//   state 2   the application marked the still taken
// all counted from the press. Goal: the median press-to-complete within 300 ms. Prints a
// table and asserts nothing. Uses the build tree's prepared prefix and the simulated camera,
// as the end-to-end tests do (it resets the settings key and the camera):
//   scripts/wine-run build/x86_64/bin/still_press_bench.exe [presses]     default 20
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench_run.h"

namespace {

using namespace kvo::test;
using namespace kvo::bench;

constexpr double kGoalMs = 300;
constexpr double kPressTimeoutMs = 30000;

// Instances of KVO_MAIN.exe other than the running application: quickdock's relays.
bool RelayRunning(DWORD application_id) {
  kvo::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (_stricmp(entry.szExeFile, kKvoMain) == 0 && entry.th32ProcessID != application_id)
      return true;
  }
  return false;
}

// Closed by its writer (no open handle refuses a reader that denies writing) and ending
// with the end-of-image marker.
bool JpegComplete(const std::string& path) {
  kvo::UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE || size < 4) return false;
  if (SetFilePointer(file.get(), -2, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) return false;
  unsigned char tail[2] = {};
  DWORD read = 0;
  return ReadFile(file.get(), tail, 2, &read, nullptr) && read == 2 && tail[0] == 0xFF &&
         tail[1] == 0xD9;
}

struct PressTimes {
  double state3 = -1, relay = -1, file = -1, complete = -1, state2 = -1;
};

// Polls every millisecond (as finely as the scheduler gives) until every event was seen.
PressTimes TimePress(const std::string& jpeg_path, DWORD application_id) {
  PressTimes times;
  const double start = NowMs();
  if (!kvo::simcam::PressButton()) return times;
  auto mark = [&](double& slot, bool seen) {
    if (slot < 0 && seen) slot = NowMs() - start;
  };
  while (NowMs() - start < kPressTimeoutMs) {
    const DWORD state = SnapshotState();
    mark(times.state3, state == 3);
    mark(times.relay, RelayRunning(application_id));
    mark(times.file, FileExists(jpeg_path));
    if (times.file >= 0) mark(times.complete, JpegComplete(jpeg_path));
    if (times.state3 >= 0) mark(times.state2, state == 2);
    if (times.complete >= 0 && times.state2 >= 0) break;
    Sleep(1);
  }
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const std::optional<std::string> clean = StartCleanRun("still_press_bench");
  if (!clean) return 77;
  const std::string& folder = *clean;
  WriteDword(HKEY_CURRENT_USER, kSettingsPath, "JpgCounter", 0);

  HWND main = nullptr;
  Process app = StartKvoMain("", &main);
  Process quickdock;
  int status = 0;
  // The button takes stills once the application has switched the trigger on, which its
  // "SnapShot" does; that first still (IMG000001.jpg) is saved with "View" before the presses.
  if (main == nullptr || !WaitUntil([&] { return PanelCaption(main) == "Preview"; }, 60000) ||
      !Relay("SnapShot") || !WaitUntil([] { return SnapshotState() == 3; }, 30000) ||
      !Relay("View") || !WaitUntil([] { return SnapshotState() == 2; }, 30000) ||
      !kvo::simcam::TriggerModeSet()) {
    std::printf("KVO_MAIN.exe did not reach its preview with the trigger on (AppStatusOK %s, "
                "panel \"%s\", snapshot state %lu, trigger %s)\n",
                AppStatus().c_str(), main ? PanelCaption(main).c_str() : "",
                static_cast<unsigned long>(SnapshotState()),
                kvo::simcam::TriggerModeSet() ? "on" : "off");
    status = 1;
  } else {
    quickdock = StartProgram(BinPath("quickdock.exe"), "", BinDir());
    // quickdock is ready once its own window exists; give it its first poll as well.
    WaitUntil([&] { return FindTopWindow(nullptr, nullptr, quickdock.id()) != nullptr; },
              30000);

    std::printf("Snapshot button to JPEG on disk, %d presses, ms from the press\n", presses);
    std::printf("%5s %9s %9s %9s %9s %9s\n", "press", "state 3", "relay", "file", "complete",
                "state 2");
    std::vector<double> state3, relay, file, complete, state2;
    for (int press = 1; press <= presses; ++press) {
      char name[32];
      std::snprintf(name, sizeof name, "\\IMG%06d.jpg", press + 1);
      const PressTimes times = TimePress(folder + name, app.id());
      std::printf("%5d", press);
      for (double ms : {times.state3, times.relay, times.file, times.complete, times.state2})
        PrintCell(ms);
      std::printf("\n");
      std::fflush(stdout);
      if (times.state3 >= 0) state3.push_back(times.state3);
      if (times.relay >= 0) relay.push_back(times.relay);
      if (times.file >= 0) file.push_back(times.file);
      if (times.complete >= 0) complete.push_back(times.complete);
      if (times.state2 >= 0) state2.push_back(times.state2);
      // The next press only once the relay has ended, as a user presses again.
      WaitUntil([&] { return !RelayRunning(app.id()); }, 30000);
    }
    std::printf("%5s", "med");
    for (auto* column : {&state3, &relay, &file, &complete, &state2}) PrintCell(Median(*column));
    std::printf("\n%5s", "worst");
    for (auto* column : {&state3, &relay, &file, &complete, &state2}) PrintCell(Worst(*column));
    std::printf("\n");
    const double median = Median(complete);
    std::printf("complete: %zu of %d presses; median %.1f ms, goal within %.0f ms: %s\n",
                complete.size(), presses, median, kGoalMs,
                median >= 0 && median <= kGoalMs ? "met" : "NOT met");
    auto pressed = DecodeJpegFile(folder + "\\IMG000002.jpg");
    if (pressed)
      std::printf("first pressed still: %d x %d\n", pressed->bitmap.width(),
                  pressed->bitmap.height());
  }
  if (quickdock.started()) {
    quickdock.Kill();
    quickdock.Wait(10000);
  }
  EndKvoMain(app);
  KillAll(kKvoMain);
  kvo::simcam::ResetCamera();
  ResetSettings();
  return status;
}
