kvo_native_test(fitdrv_script
  SOURCES ${KVO_ROOT}/tests/installer/script_test.cpp ${KVO_ROOT}/installer/script.cpp
  INCLUDES ${KVO_ROOT}/installer)
# The command lines run against a recording system, and the driver commands' value rules.
target_sources(fitdrv_script PRIVATE ${KVO_ROOT}/tests/installer/script_run_test.cpp
               ${KVO_ROOT}/installer/script_run.cpp)
