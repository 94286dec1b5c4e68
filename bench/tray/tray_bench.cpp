// Benchmark of the tray companion: its CPU use while idle with the toolbox open and no
// still pending, and how long a hot-key press and a pending button still take to start
// the recorder standing in for KVO_MAIN.exe. Prints a table; asserts nothing.
//
// Run through the xdotool agent so the hot key is a real X key event:
//   tests/tray/run-with-xdotool.sh <build>/bin/tray_bench.exe [idle seconds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tray_harness.h"

namespace {

using namespace kvo::test;

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double CpuMilliseconds(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

// Wine may report no times for another process, so the Linux process behind quickdock is
// read too: utime + stime of every /proc/<pid> whose command line names quickdock.exe, in
// milliseconds (clock ticks of 10 ms). Negative when none is found.
double LinuxCpuMilliseconds() {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
  if (search == INVALID_HANDLE_VALUE) return -1;
  double total = -1;
  do {
    if (entry.cFileName[0] < '1' || entry.cFileName[0] > '9') continue;
    const std::string folder = std::string("Z:\\proc\\") + entry.cFileName;
    auto command = ReadFileBytes(folder + "\\cmdline");
    if (!command) continue;
    const std::string text(command->begin(), command->end());
    if (text.find("quickdock.exe") == std::string::npos) continue;
    auto stat = ReadFileBytes(folder + "\\stat");
    if (!stat) continue;
    const std::string line(stat->begin(), stat->end());
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    // Fields after the command name: state is field 3, utime 14, stime 15.
    unsigned long long utime = 0, stime = 0;
    if (std::sscanf(line.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                    &utime, &stime) == 2) {
      total = (total < 0 ? 0 : total) + static_cast<double>(utime + stime) * 10.0;
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return total;
}

// Milliseconds from start until the recorder has written one more line of this word.
double WaitForNextWord(const char* word, int before, double start) {
  while (CountWord(word) <= before) {
    if (Now() - start > 5000) return -1;
    Sleep(1);
  }
  return Now() - start;
}

void PrintSeries(const char* what, std::vector<double> values) {
  if (values.empty()) {
    std::printf("| %-44s | %8s | %8s | %8s |\n", what, "n/a", "n/a", "n/a");
    return;
  }
  std::sort(values.begin(), values.end());
  std::printf("| %-44s | %8.1f | %8.1f | %8.1f |\n", what, values.front(),
              values[values.size() / 2], values.back());
}

}  // namespace

int main(int argc, char** argv) {
  const int idle_seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  KillAll(kQuickdockImage);
  if (!ResetSettings() || !PrepareTrayFolder() ||
      !WriteText(HKEY_CURRENT_USER, kSettingsPath, "ProgPath", TrayFolder())) {
    std::printf("could not prepare the program folder\n");
    return 1;
  }
  DriverKeyScope driver;
  driver.SetSnapshotState(2);
  if (XdoAvailable()) MovePointer(500, 400);
  Process quickdock = StartQuickdock();
  if (!WaitForQuickdockWindow(quickdock.id(), 20000) || !WaitForToolbox(quickdock.id(), 10000)) {
    std::printf("quickdock did not start\n");
    return 1;
  }
  WaitForWordCount("NoShow", 1, 20000);
  Sleep(1500);  // past the first auto-hide tick

  const double cpu_before = CpuMilliseconds(quickdock.handle());
  const double linux_before = LinuxCpuMilliseconds();
  const double wall_before = Now();
  Sleep(idle_seconds * 1000);
  const double cpu = CpuMilliseconds(quickdock.handle()) - cpu_before;
  const double linux_cpu = LinuxCpuMilliseconds() - linux_before;
  const double wall = Now() - wall_before;

  std::vector<double> hot_key, agent, view;
  if (XdoAvailable()) {
    MovePointer(979 + 22, 150 + 110);  // keys reach Wine over one of its windows
    Sleep(300);
    for (int round = 0; round < 10; ++round) {
      double start = Now();
      Xdo("getmouselocation");
      agent.push_back(Now() - start);
      Sleep(600);  // past the command-busy tick
      const int before = CountWord("SnapShot");
      start = Now();
      Xdo("key alt+s");
      const double took = WaitForNextWord("SnapShot", before, start);
      if (took >= 0) hot_key.push_back(took);
    }
  }
  for (int round = 0; round < 10; ++round) {
    const int before = CountWord("View");
    const double start = Now();
    driver.SetSnapshotState(3);
    const double took = WaitForNextWord("View", before, start);
    driver.SetSnapshotState(2);
    if (took >= 0) view.push_back(took);
    Sleep(500);
  }
  quickdock.Kill();
  KillAll("KVO_MAIN.exe");
  ResetSettings();

  std::printf("\n| %-44s | %8s |\n", "idle, toolbox open, no still pending", "value");
  std::printf("|%s|%s|\n", std::string(46, '-').c_str(), std::string(10, '-').c_str());
  std::printf("| %-44s | %8.1f |\n", "wall time (s)", wall / 1000.0);
  std::printf("| %-44s | %8.1f |\n", "CPU time as Wine reports it (ms)", cpu);
  std::printf("| %-44s | %8.1f |\n", "CPU time of the Linux process (ms)",
              linux_before >= 0 ? linux_cpu : -1.0);
  const double used = std::max(cpu, linux_before >= 0 ? linux_cpu : 0.0);
  std::printf("| %-44s | %7.3f%% |\n", "CPU of one core (target under 1 %)",
              wall > 0 ? 100.0 * used / wall : 0.0);
  std::printf("\n| %-44s | %8s | %8s | %8s |\n", "latency (ms)", "min", "median", "max");
  std::printf("|%s|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(10, '-').c_str(),
              std::string(10, '-').c_str(), std::string(10, '-').c_str());
  PrintSeries("agent round trip, no key (overhead)", agent);
  PrintSeries("Alt+S request to recorder's line", hot_key);
  PrintSeries("SnapShotState 3 to recorder's \"View\"", view);
  return 0;
}
