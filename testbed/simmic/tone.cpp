#include "tone.h"

#include <cmath>

namespace simmic {

ToneGenerator::ToneGenerator(double frequency_hz, uint32_t samples_per_second,
                             int16_t amplitude)
    : amplitude_(amplitude < 0 ? static_cast<int16_t>(0) : amplitude) {
  if (samples_per_second > 0 && frequency_hz > 0.0 && frequency_hz < samples_per_second / 2.0) {
    step_ = frequency_hz / samples_per_second;
  }
}

void ToneGenerator::Fill(int16_t* samples, size_t count) {
  constexpr double kTwoPi = 6.283185307179586;
  for (size_t i = 0; i < count; ++i) {
    samples[i] = static_cast<int16_t>(std::lround(amplitude_ * std::sin(kTwoPi * phase_)));
    // The phase is kept in turns and wrapped, so it stays exact over hours of streaming.
    phase_ += step_;
    if (phase_ >= 1.0) phase_ -= 1.0;
  }
  position_ += count;
}

}  // namespace simmic
