// The three steps of saving a 1280 x 1024 still, each timed over a number of runs: loading
// the driver's snapshot file into the bitmap (packed and planar), encoding the JPEG at
// quality 90, and writing the file. Prints a table; run under Wine:
//   scripts/wine-run build/x86_64/bin/still_save_bench.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bitmap_target.h"
#include "jpeg_writer.h"
#include "snapshot_image.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;

// A snapshot file as the driver writes it: the 24-byte header, then the pixels.
std::vector<uint8_t> SnapshotFile(uint8_t format) {
  std::vector<uint8_t> file(24, 0);
  file[2] = format;
  const int32_t sides[2] = {kWidth, kHeight};
  std::memcpy(&file[4], sides, sizeof sides);
  const size_t pixels = format == 0 ? static_cast<size_t>(kWidth) * kHeight * 3
                                    : static_cast<size_t>(kWidth) * kHeight +
                                          2 * static_cast<size_t>((kWidth + 1) / 2) *
                                              ((kHeight + 1) / 2);
  for (size_t i = 0; i < pixels; ++i) file.push_back(static_cast<uint8_t>((i * 7) / 13));
  return file;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

struct Row {
  const char* step;
  std::vector<double> times;
};

void Print(Row& row) {
  std::sort(row.times.begin(), row.times.end());
  const double median = row.times[row.times.size() / 2];
  std::printf("%-28s %10.2f %10.2f %10.2f\n", row.step, row.times.front(), median,
              row.times.back());
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const std::vector<uint8_t> packed = SnapshotFile(0);
  const std::vector<uint8_t> planar = SnapshotFile(1);
  Row load_packed{"load packed still", {}};
  Row load_planar{"load planar 4:2:0 still", {}};
  Row encode{"encode JPEG quality 90", {}};
  Row write{"write file", {}};
  size_t jpeg_size = 0;
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  const std::string path = std::string(folder) + "still_save_bench.jpg";
  for (int run = 0; run < runs; ++run) {
    LARGE_INTEGER t0, t1, t2, t3, t4;
    kvo::Bitmap24 bitmap;
    kvo::Bitmap24 planar_bitmap;
    kvo::BitmapTarget target(bitmap);
    kvo::BitmapTarget planar_target(planar_bitmap);
    QueryPerformanceCounter(&t0);
    if (!kvo::cm::LoadSnapshot(packed.data(), packed.size(), target)) return 1;
    QueryPerformanceCounter(&t1);
    if (!kvo::cm::LoadSnapshot(planar.data(), planar.size(), planar_target)) return 1;
    QueryPerformanceCounter(&t2);
    const std::vector<uint8_t> jpeg = kvo::EncodeJpeg(bitmap, kvo::kStillJpegQuality);
    QueryPerformanceCounter(&t3);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE) return 1;
    WriteFile(file, jpeg.data(), static_cast<DWORD>(jpeg.size()), &written, nullptr);
    CloseHandle(file);
    QueryPerformanceCounter(&t4);
    jpeg_size = jpeg.size();
    load_packed.times.push_back(Milliseconds(t0, t1));
    load_planar.times.push_back(Milliseconds(t1, t2));
    encode.times.push_back(Milliseconds(t2, t3));
    write.times.push_back(Milliseconds(t3, t4));
  }
  DeleteFileA(path.c_str());
  std::printf("Saving a %d x %d still, %d runs (JPEG %zu bytes), milliseconds\n", kWidth,
              kHeight, runs, jpeg_size);
  std::printf("%-28s %10s %10s %10s\n", "step", "best", "median", "worst");
  for (Row* row : {&load_packed, &load_planar, &encode, &write}) Print(*row);
  return 0;
}
