# The capture component's platform-free rules.
kvo_native_test(capture_logic
  SOURCES ${KVO_ROOT}/tests/capture/capture_logic_test.cpp
          ${KVO_ROOT}/capture/hidden_compressors.cpp ${KVO_ROOT}/capture/device_match.cpp
          ${KVO_ROOT}/capture/still_frame.cpp ${KVO_ROOT}/capture/format_text.cpp
          ${KVO_ROOT}/capture/bounded_copy.cpp ${KVO_ROOT}/common/bitmap24.cpp
  INCLUDES ${KVO_ROOT}/capture ${KVO_ROOT}/common)
# The stream capabilities a pin hands out, read without the platform's headers.
target_sources(capture_logic PRIVATE ${KVO_ROOT}/capture/stream_caps.cpp)
