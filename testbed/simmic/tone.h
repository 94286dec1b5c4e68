// The simulated microphones' signal: a steady sine tone as 16-bit mono PCM, continuous in
// phase from one buffer to the next. Plain C++, no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace simmic {

class ToneGenerator {
 public:
  // A frequency at or above half the sample rate cannot be represented and gives silence;
  // so does a sample rate of 0.
  ToneGenerator(double frequency_hz, uint32_t samples_per_second, int16_t amplitude);

  // Writes the next `count` samples.
  void Fill(int16_t* samples, size_t count);

  // Samples written so far.
  uint64_t position() const { return position_; }

 private:
  double step_ = 0.0;  // phase advance per sample, in turns
  double phase_ = 0.0;  // in turns, 0 <= phase_ < 1
  int16_t amplitude_;
  uint64_t position_ = 0;
};

}  // namespace simmic
