# The simulated microphones' tone generator.
kvo_native_test(simmic_tone
  SOURCES ${KVO_ROOT}/tests/simmic/tone_test.cpp ${KVO_ROOT}/testbed/simmic/tone.cpp
  INCLUDES ${KVO_ROOT}/testbed/simmic)
