# The test AVI reader.
kvo_native_test(avi_file
  SOURCES ${KVO_ROOT}/tests/support/avi_file_test.cpp ${KVO_ROOT}/tests/support/avi_file.cpp
  INCLUDES ${KVO_ROOT}/tests/support)
