// Benchmark of loading the driver's stills (the work behind id 2003): the pending file is
// found through the driver key, mapped and decoded into a bitmap held in memory. Prints
// a table of the best and median times of repeated loads, the planar pixel rate, and the
// ratio to a plain memcpy of the file's bytes, and checks the planar result bit for bit
// against the direct formula.
//
// Run: scripts/wine-run <build>/bin/kvocm_bench.exe [repetitions]
// It sets up its own driver instance key and snapshot file and removes both afterwards.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "driver_key.h"
#include "driver_records.h"
#include "planar_reference.h"
#include "snapshot_image.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;
constexpr char kInstanceKey[] = "SOFTWARE\\KvoBench\\CamctlInstance";
constexpr char kInstanceValue[] = "ii0042";
constexpr DWORD kInstanceIndex = 42;
constexpr char kFileName[] = "kvocm_bench.raw";
constexpr char kFilePath[] = "c:\\kvocm_bench.raw";

// A bitmap that keeps its storage between loads, as a toolkit bitmap of unchanged size does.
class BenchBitmap : public CM_BitmapTarget {
 public:
  void SetPixelFormat24() override {}
  void SetWidth(int value) override { width_ = value; }
  void SetHeight(int value) override {
    height_ = value;
    const size_t size = static_cast<size_t>(width_) * height_ * 3;
    if (pixels_.size() != size) pixels_.assign(size, 0);
  }
  unsigned char* ScanLine(int row) override {
    return pixels_.data() + static_cast<size_t>(row) * width_ * 3;
  }
  const std::vector<uint8_t>& pixels() const { return pixels_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> pixels_;
};

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

struct Timing {
  double best_ms;
  double median_ms;
};

Timing Measure(int repetitions, const std::function<void()>& work) {
  work();  // warm: page cache, mappings, the bitmap's storage
  std::vector<double> times;
  for (int i = 0; i < repetitions; ++i) {
    const double start = Now();
    work();
    times.push_back((Now() - start) * 1000.0);
  }
  std::sort(times.begin(), times.end());
  return {times.front(), times[times.size() / 2]};
}

bool SetRegistryValue(HKEY root, const char* path, const char* name, DWORD type,
                      const void* data, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const bool ok = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) ==
                  ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool PrepareDriverKey(DWORD* saved_index, bool* had_index) {
  HKEY driver = nullptr;
  *had_index = false;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kvo::kDriverKeyPath, 0, KEY_QUERY_VALUE, &driver) ==
      ERROR_SUCCESS) {
    DWORD size = sizeof(*saved_index);
    *had_index = RegQueryValueExA(driver, kvo::kInstanceIndexValue, nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(saved_index), &size) == ERROR_SUCCESS;
    RegCloseKey(driver);
  }
  const std::string path = std::string(kvo::kKernelMachinePrefix) + kInstanceKey;
  const DWORD pending = kvo::kSnapShotPending;
  return SetRegistryValue(HKEY_LOCAL_MACHINE, kvo::kDriverKeyPath, kvo::kInstanceIndexValue,
                          REG_DWORD, &kInstanceIndex, sizeof(kInstanceIndex)) &&
         SetRegistryValue(HKEY_LOCAL_MACHINE, kvo::kDriverKeyPath, kInstanceValue, REG_SZ,
                          path.c_str(), static_cast<DWORD>(path.size() + 1)) &&
         SetRegistryValue(HKEY_LOCAL_MACHINE, kInstanceKey, kvo::kSnapShotStateValue, REG_DWORD,
                          &pending, sizeof(pending)) &&
         SetRegistryValue(HKEY_LOCAL_MACHINE, kInstanceKey, kvo::kSnapShotFileNameValue, REG_SZ,
                          kFileName, sizeof(kFileName));
}

void RestoreDriverKey(DWORD saved_index, bool had_index) {
  HKEY driver = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kvo::kDriverKeyPath, 0, KEY_ALL_ACCESS, &driver) ==
      ERROR_SUCCESS) {
    RegDeleteValueA(driver, kInstanceValue);
    if (had_index)
      RegSetValueExA(driver, kvo::kInstanceIndexValue, 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&saved_index), sizeof(saved_index));
    else
      RegDeleteValueA(driver, kvo::kInstanceIndexValue);
    RegCloseKey(driver);
  }
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kInstanceKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KvoBench");
  DeleteFileA(kFilePath);
}

std::vector<uint8_t> StillFile(uint8_t format) {
  std::vector<uint8_t> file(24, 0);
  file[2] = format;
  std::memcpy(&file[4], &kWidth, 4);
  std::memcpy(&file[8], &kHeight, 4);
  const size_t pixels = format == kvo::kSnapshotPacked
                            ? static_cast<size_t>(kWidth) * kHeight * 3
                            : static_cast<size_t>(kWidth) * kHeight * 3 / 2;
  std::mt19937 random(1280);
  for (size_t i = 0; i < pixels; ++i) file.push_back(static_cast<uint8_t>(random()));
  return file;
}

bool WriteStill(const std::vector<uint8_t>& file) {
  HANDLE handle = CreateFileA(kFilePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(handle, file.data(), static_cast<DWORD>(file.size()), &written,
                            nullptr) && written == file.size();
  CloseHandle(handle);
  return ok;
}

void PrintRow(const char* what, size_t bytes, const Timing& timing, const Timing& baseline,
              bool pixel_rate) {
  std::printf("%-34s %9zu %9.3f %9.3f %9.2f", what, bytes, timing.best_ms, timing.median_ms,
              timing.best_ms / baseline.best_ms);
  if (pixel_rate)
    std::printf(" %10.1f", static_cast<double>(kWidth) * kHeight / (timing.best_ms * 1000.0));
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  DWORD saved_index = 0;
  bool had_index = false;
  if (!PrepareDriverKey(&saved_index, &had_index)) {
    std::fprintf(stderr, "cannot set up the driver key\n");
    return 2;
  }
  int status = 0;
  BenchBitmap bitmap;
  std::printf("stills of %d x %d, %d repetitions, times in ms, ratio = best / best memcpy\n\n",
              kWidth, kHeight, repetitions);
  std::printf("%-34s %9s %9s %9s %9s %10s\n", "operation", "bytes", "best", "median", "ratio",
              "Mpixel/s");

  for (uint8_t format : {kvo::kSnapshotPacked, kvo::kSnapshotPlanar}) {
    const std::vector<uint8_t> file = StillFile(format);
    if (!WriteStill(file)) {
      std::fprintf(stderr, "cannot write %s\n", kFilePath);
      status = 2;
      break;
    }
    const size_t bytes = file.size() - 24;
    std::vector<uint8_t> copy(bytes);
    int result = 0;
    const Timing baseline = Measure(repetitions, [&] {
      std::memcpy(copy.data(), file.data() + 24, bytes);
      // The copy is read back, so the compiler cannot drop it.
      result |= copy[bytes / 2] == file[24 + bytes / 2] ? 0 : 4;
    });
    const Timing load =
        Measure(repetitions, [&] { result |= kvo::cm::LoadSnapshotImage(bitmap); });
    const Timing decode = Measure(repetitions, [&] {
      kvo::cm::LoadSnapshot(file.data(), file.size(), bitmap);
    });
    const bool planar = format == kvo::kSnapshotPlanar;
    PrintRow(planar ? "memcpy of the planar bytes" : "memcpy of the packed bytes", bytes,
             baseline, baseline, false);
    PrintRow(planar ? "planar still, id 2003 path" : "packed still, id 2003 path", bytes, load,
             baseline, planar);
    PrintRow(planar ? "planar decode from memory" : "packed decode from memory", bytes, decode,
             baseline, planar);
    if (result != 0) {
      std::printf("  the id 2003 path failed (%d)\n", result);
      status = 1;
    }
    if (planar) {
      kvo::cm::LoadSnapshotImage(bitmap);
      const long mismatch = kvo::test::FirstPlanarMismatch(
          file.data() + 24, kWidth, kHeight, [&](int y) { return bitmap.ScanLine(y); });
      if (mismatch < 0) {
        std::printf("  planar result bit-identical to the direct formula\n");
      } else {
        std::printf("  planar result differs from the direct formula at byte %ld\n", mismatch);
        status = 1;
      }
    }
  }
  // What every load pays whatever the size: the driver key, opening and mapping the file.
  std::vector<uint8_t> tiny(24, 0);
  tiny[4] = tiny[8] = 1;
  tiny.insert(tiny.end(), {1, 2, 3});
  if (WriteStill(tiny)) {
    BenchBitmap small;
    const Timing fixed = Measure(repetitions, [&] { kvo::cm::LoadSnapshotImage(small); });
    std::printf("\n%-34s %9zu %9.3f %9.3f\n", "1 x 1 still, id 2003 path", size_t{3},
                fixed.best_ms, fixed.median_ms);
    std::vector<uint8_t> name(256);
    const Timing registry = Measure(repetitions, [&] {
      kvo::cm::ReadSnapshotName(reinterpret_cast<char*>(name.data()));
    });
    std::printf("%-34s %9s %9.3f %9.3f\n", "driver key only (id 2001)", "", registry.best_ms,
                registry.median_ms);
  }
  RestoreDriverKey(saved_index, had_index);
  return status;
}
