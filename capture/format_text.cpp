#include "format_text.h"

#include <cstdio>
#include <cstdlib>

namespace kvo {

std::string DescribeStreamFormat(int32_t width, int32_t height, uint16_t bit_count,
                                 int64_t avg_time_per_frame) {
  // Frame times count 100 ns units.
  char rate[32] = "? fps";
  if (avg_time_per_frame > 0) {
    std::snprintf(rate, sizeof rate, "%.2f fps", 1e7 / static_cast<double>(avg_time_per_frame));
  }
  const long long shown_height = std::llabs(static_cast<long long>(height));
  char line[96];
  std::snprintf(line, sizeof line, "%ld x %lld, %u bit, %s", static_cast<long>(width),
                shown_height, static_cast<unsigned>(bit_count), rate);
  return line;
}

}  // namespace kvo
