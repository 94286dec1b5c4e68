kvo_native_test(fitdrv_script
  SOURCES ${KVO_ROOT}/tests/installer/script_test.cpp ${KVO_ROOT}/installer/script.cpp
  INCLUDES ${KVO_ROOT}/installer)
