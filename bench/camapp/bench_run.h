// What the camera application's end-to-end benchmarks share: a clean start in the build
// tree's prefix, the clock they read and the cells of their tables.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "camapp_e2e_support.h"
#include "simcam_control.h"

namespace kvo::bench {

inline double NowMs() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Ends every KVO_MAIN.exe and quickdock.exe, resets the settings key and the simulated
// camera, and makes a fresh still folder `name` that the settings point at. Nothing when
// the prefix cannot be reset (the caller reports itself skipped).
inline std::optional<std::string> StartCleanRun(const char* name) {
  using namespace kvo::test;
  KillAll(kKvoMain);
  KillAll("quickdock.exe");
  if (!ResetSettings() || !kvo::simcam::ResetCamera()) {
    std::printf("SKIPPED: the prefix's settings key or simulated camera cannot be reset\n");
    return std::nullopt;
  }
  std::string folder = FreshFolder(name);
  WriteText(HKEY_CURRENT_USER, kSettingsPath, "FilePath", folder);
  return folder;
}

// A time in milliseconds, or "-" for one that never came (negative).
inline void PrintCell(double ms) {
  if (ms < 0) std::printf(" %9s", "-");
  else std::printf(" %9.1f", ms);
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

inline double Worst(const std::vector<double>& values) {
  return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

}  // namespace kvo::bench
