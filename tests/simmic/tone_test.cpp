// The microphones' tone: right pitch, right loudness, no click between buffers.
#include "tone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Upward zero crossings: one per period of a sine.
int RisingCrossings(const std::vector<int16_t>& samples) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) ++crossings;
  }
  return crossings;
}

struct Pitch {
  double frequency;
  uint32_t rate;
};

class TonePitch : public ::testing::TestWithParam<Pitch> {};

TEST_P(TonePitch, OneSecondHoldsTheFrequencyInPeriodsAndReachesTheAmplitude) {
  const Pitch pitch = GetParam();
  simmic::ToneGenerator tone(pitch.frequency, pitch.rate, 12000);
  std::vector<int16_t> second(pitch.rate);
  tone.Fill(second.data(), second.size());
  EXPECT_NEAR(pitch.frequency, RisingCrossings(second), 1.0);
  int16_t peak = 0;
  for (int16_t sample : second) peak = std::max<int16_t>(peak, static_cast<int16_t>(std::abs(sample)));
  EXPECT_LE(peak, 12000);
  EXPECT_GE(peak, 11900);
  EXPECT_EQ(pitch.rate, tone.position());
}

INSTANTIATE_TEST_SUITE_P(Cases, TonePitch,
                         ::testing::Values(Pitch{440.0, 44100}, Pitch{880.0, 44100},
                                           Pitch{1000.0, 8000}, Pitch{3999.0, 8000}));

TEST(Tone, BuffersJoinWithoutAJump) {
  simmic::ToneGenerator whole(440.0, 44100, 10000), pieces(440.0, 44100, 10000);
  std::vector<int16_t> expected(4410 * 3), got(4410 * 3);
  whole.Fill(expected.data(), expected.size());
  // Odd buffer sizes, as a graph may ask for.
  pieces.Fill(got.data(), 1000);
  pieces.Fill(got.data() + 1000, 3);
  pieces.Fill(got.data() + 1003, got.size() - 1003);
  EXPECT_EQ(expected, got);
}

TEST(Tone, UnrepresentableSettingsGiveSilence) {
  for (const Pitch pitch : {Pitch{0.0, 44100}, Pitch{-5.0, 44100}, Pitch{22050.0, 44100},
                            Pitch{440.0, 0}}) {
    simmic::ToneGenerator tone(pitch.frequency, pitch.rate, 10000);
    std::vector<int16_t> samples(256, 77);
    tone.Fill(samples.data(), samples.size());
    EXPECT_EQ(std::vector<int16_t>(256, 0), samples) << pitch.frequency << " Hz at " << pitch.rate;
  }
  simmic::ToneGenerator negative(440.0, 44100, -5);
  std::vector<int16_t> samples(64, 77);
  negative.Fill(samples.data(), samples.size());
  EXPECT_EQ(std::vector<int16_t>(64, 0), samples);
}

}  // namespace
