// From the start of `KVO_MAIN.exe ""` to the first moving preview picture, over a number of
// runs. Each run is split into
//   window    the main window exists
//   ready     the application takes commands (AppStatusOK "Y")
//   caption   the panel's caption reads "Preview"
//   moving    a screenshot of the panel differs from the one taken just before it
// all counted from the start of the process. The video renderer draws on the X server, so
// the panel is taken from there by ImageMagick's import (raw RGB, no time stamps in the
// file); "moving" is therefore late by up to one screenshot (the table shows its length).
// Prints a table and asserts nothing. Uses the build tree's prepared prefix and the simulated
// camera, as the end-to-end tests do (it resets the settings key and the camera):
//   scripts/wine-run build/x86_64/bin/preview_start_bench.exe [runs]     default 5
#include <windows.h>

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

constexpr double kRunTimeoutMs = 90000;

std::string StartExePath() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  return std::string(system) + "\\start.exe";
}

// The screen's pixels inside the window, 8-bit RGB, as the X server holds them; nullopt
// when import did not deliver them. Only paths on drive Z: (the Unix root) work; the name
// must end in ".rgb", which tells import the format.
std::optional<std::vector<uint8_t>> ScreenPixels(HWND window, const std::string& path) {
  RECT bounds{};
  if (!GetWindowRect(window, &bounds) || path.size() < 3 || path[1] != ':') return std::nullopt;
  // import crops to the screen: take only the part of the window on it.
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (!IntersectRect(&bounds, &bounds, &screen)) return std::nullopt;
  const long width = bounds.right - bounds.left;
  const long height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return std::nullopt;
  std::string unix_path = path.substr(2);
  for (char& c : unix_path) c = c == '\\' ? '/' : c;
  char geometry[64];
  std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", width, height, bounds.left,
                bounds.top);
  DeleteFileA(path.c_str());
  RunProgram(StartExePath(),
             std::string("/wait /unix /usr/bin/import -window root -crop ") + geometry +
                 " -depth 8 \"" + unix_path + "\"",
             30000);
  // start.exe does not wait for a Unix program: the file is done at its full size.
  const size_t expected = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  std::optional<std::vector<uint8_t>> pixels;
  WaitUntil(
      [&] {
        pixels = ReadFileBytes(path);
        return pixels && pixels->size() == expected;
      },
      15000);
  if (!pixels || pixels->size() != expected) {
    std::fprintf(stderr, "no screenshot: %zu bytes of %zu in %s\n", pixels ? pixels->size() : 0,
                 expected, path.c_str());
    return std::nullopt;
  }
  return pixels;
}

struct RunTimes {
  double window = -1, ready = -1, caption = -1, moving = -1, shot = -1;
};

RunTimes TimeStart(const std::string& shot_path) {
  RunTimes times;
  WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "Q", false);
  const double start = NowMs();
  Process app = StartProgram(kKvoMain, "");
  if (!app.started()) return times;
  HWND main = nullptr;
  while (NowMs() - start < kRunTimeoutMs && (times.caption < 0 || times.ready < 0) &&
         app.Running()) {
    if (main == nullptr) main = FindTopWindow(kMainClass, nullptr, app.id());
    if (main != nullptr && times.window < 0) times.window = NowMs() - start;
    if (times.ready < 0 && AppStatus() == "Y") times.ready = NowMs() - start;
    if (main != nullptr && times.caption < 0 && PanelCaption(main) == "Preview")
      times.caption = NowMs() - start;
    Sleep(1);
  }
  if (times.caption >= 0) {
    HWND panel = PanelOf(main);
    std::optional<std::vector<uint8_t>> before = ScreenPixels(panel, shot_path);
    while (before && NowMs() - start < kRunTimeoutMs) {
      const double shot_start = NowMs();
      std::optional<std::vector<uint8_t>> after = ScreenPixels(panel, shot_path);
      if (!after) break;
      if (*after != *before) {
        times.moving = NowMs() - start;
        times.shot = NowMs() - shot_start;
        break;
      }
      before = std::move(after);
    }
  }
  EndKvoMain(app);
  KillAll(kKvoMain);
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::optional<std::string> clean = StartCleanRun("preview_start_bench");
  if (!clean) return 77;
  const std::string& folder = *clean;
  const std::string shot_path = folder + "\\panel.rgb";

  std::printf("KVO_MAIN.exe \"\" to the moving preview, %d runs, ms from the start\n", runs);
  std::printf("%5s %9s %9s %9s %9s %9s\n", "run", "window", "ready", "caption", "moving",
              "shot");
  std::vector<double> window, ready, caption, moving;
  for (int run = 1; run <= runs; ++run) {
    const RunTimes times = TimeStart(shot_path);
    std::printf("%5d", run);
    for (double ms : {times.window, times.ready, times.caption, times.moving, times.shot})
      PrintCell(ms);
    std::printf("\n");
    std::fflush(stdout);
    if (times.window >= 0) window.push_back(times.window);
    if (times.ready >= 0) ready.push_back(times.ready);
    if (times.caption >= 0) caption.push_back(times.caption);
    if (times.moving >= 0) moving.push_back(times.moving);
  }
  std::printf("%5s", "med");
  for (auto* column : {&window, &ready, &caption, &moving}) PrintCell(Median(*column));
  std::printf("\n%5s", "worst");
  for (auto* column : {&window, &ready, &caption, &moving}) PrintCell(Worst(*column));
  std::printf("\nmoving picture seen in %zu of %d runs\n", moving.size(), runs);
  kvo::simcam::ResetCamera();
  ResetSettings();
  return 0;
}
