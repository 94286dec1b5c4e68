#include "snapshot_image.h"

#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "driver_records.h"

namespace kvo::cm {

namespace {

constexpr int kBytesPerPixel = 3;

bool IsSaneSide(int32_t side) { return side > 0 && side <= kMaxSnapshotSide; }

// The value is rounded to single precision before it is limited and truncated, so a sum
// that lands a hair below a whole number in double precision still gives that number.
#if defined(__SSE2__)
// Written with the min and max instructions: left to itself the compiler turns the limits
// into branches, which mispredict on picture data and cost most of the loop's time.
inline uint8_t LimitAndTruncate(double exact) {
  const __m128 zero = _mm_setzero_ps();
  __m128 kept = _mm_cvtsd_ss(zero, _mm_set_sd(exact));
  kept = _mm_min_ss(_mm_max_ss(kept, zero), _mm_set_ss(255.0f));
  return static_cast<uint8_t>(_mm_cvtt_ss2si(kept));
}
#else
inline uint8_t LimitAndTruncate(double exact) {
  float kept = static_cast<float>(exact);
  kept = kept < 0.0f ? 0.0f : kept;
  kept = kept > 255.0f ? 255.0f : kept;
  return static_cast<uint8_t>(static_cast<int>(kept));
}
#endif

// The chroma terms depend on the pixel pair only, so they are computed once per pair; each
// pixel then takes the same double operations in the same order as the plain formula
// (L + 1.14 P, L - 0.39 Q - 0.58 P, L + 2.03 Q), which keeps the results bit-identical.
struct ChromaTerms {
  double byte0;
  double byte1_q;
  double byte1_p;
  double byte2;
};

inline ChromaTerms TermsOf(uint8_t plane1, uint8_t plane2) {
  const double p = static_cast<int>(plane1) - 128;
  const double q = static_cast<int>(plane2) - 128;
  return {1.14 * p, 0.39 * q, 0.58 * p, 2.03 * q};
}

inline void ConvertPixel(uint8_t luma, const ChromaTerms& terms, uint8_t* out) {
  const double l = luma;
  out[0] = LimitAndTruncate(l + terms.byte0);
  out[1] = LimitAndTruncate(l - terms.byte1_q - terms.byte1_p);
  out[2] = LimitAndTruncate(l + terms.byte2);
}

void LoadPacked(const uint8_t* pixels, const SnapshotLayout& layout, uint8_t* const* rows) {
  const size_t row_bytes = static_cast<size_t>(layout.width) * kBytesPerPixel;
  // The file holds the bottom row first.
  for (int r = 0; r < layout.height; ++r)
    std::memcpy(rows[layout.height - 1 - r], pixels + r * row_bytes, row_bytes);
}

void LoadPlanar(const uint8_t* pixels, const SnapshotLayout& layout, uint8_t* const* rows) {
  const size_t luma_bytes = static_cast<size_t>(layout.width) * layout.height;
  const size_t chroma_bytes = static_cast<size_t>(layout.chroma_width) * layout.chroma_height;
  const uint8_t* plane1 = pixels + luma_bytes;
  const uint8_t* plane2 = plane1 + chroma_bytes;
  for (int y = 0; y < layout.height; ++y) {
    const size_t chroma_row = static_cast<size_t>(y / 2) * layout.chroma_width;
    ConvertPlanarRow(pixels + static_cast<size_t>(y) * layout.width, plane1 + chroma_row,
                     plane2 + chroma_row, layout.width, rows[y]);
  }
}

}  // namespace

std::optional<SnapshotLayout> CheckSnapshot(const uint8_t* file, size_t size) {
  if (file == nullptr || size < sizeof(SnapshotHeader)) return std::nullopt;
  SnapshotHeader header;
  std::memcpy(&header, file, sizeof(header));
  if (!IsSaneSide(header.width) || !IsSaneSide(header.height)) return std::nullopt;

  SnapshotLayout layout;
  layout.width = header.width;
  layout.height = header.height;
  const uint64_t pixels = static_cast<uint64_t>(layout.width) * layout.height;
  if (header.format == kSnapshotPacked) {
    layout.format = SnapshotFormat::kPacked;
    layout.pixel_bytes = static_cast<size_t>(pixels * kBytesPerPixel);
  } else {
    layout.format = SnapshotFormat::kPlanar;
    layout.chroma_width = (layout.width + 1) / 2;
    layout.chroma_height = (layout.height + 1) / 2;
    const uint64_t chroma = static_cast<uint64_t>(layout.chroma_width) * layout.chroma_height;
    layout.pixel_bytes = static_cast<size_t>(pixels + 2 * chroma);
  }
  if (size - sizeof(SnapshotHeader) < layout.pixel_bytes) return std::nullopt;
  return layout;
}

bool LoadSnapshot(const uint8_t* file, size_t size, CM_BitmapTarget& target) {
  const std::optional<SnapshotLayout> layout = CheckSnapshot(file, size);
  if (!layout) return false;

  target.SetPixelFormat24();
  target.SetWidth(layout->width);
  target.SetHeight(layout->height);
  // Every scan line is fetched before any is written, so a bitmap that could not take the
  // size is refused whole rather than half filled.
  std::vector<uint8_t*> rows(static_cast<size_t>(layout->height), nullptr);
  bool all_rows = true;
  for (int y = 0; y < layout->height && all_rows; ++y) {
    rows[y] = target.ScanLine(y);
    all_rows = rows[y] != nullptr;
  }
  if (all_rows) {
    const uint8_t* pixels = file + sizeof(SnapshotHeader);
    if (layout->format == SnapshotFormat::kPacked)
      LoadPacked(pixels, *layout, rows.data());
    else
      LoadPlanar(pixels, *layout, rows.data());
  }
  return all_rows;
}

void ConvertPlanarRow(const uint8_t* luma, const uint8_t* plane1, const uint8_t* plane2,
                      int width, uint8_t* out) {
  int x = 0;
  for (; x + 1 < width; x += 2) {
    const ChromaTerms terms = TermsOf(plane1[x / 2], plane2[x / 2]);
    ConvertPixel(luma[x], terms, out + x * kBytesPerPixel);
    ConvertPixel(luma[x + 1], terms, out + (x + 1) * kBytesPerPixel);
  }
  if (x < width)
    ConvertPixel(luma[x], TermsOf(plane1[x / 2], plane2[x / 2]), out + x * kBytesPerPixel);
}

}  // namespace kvo::cm
