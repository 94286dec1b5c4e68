# The camera application's plain logic: main window arithmetic, file numbering, clock.
kvo_native_test(camapp_logic
  SOURCES ${KVO_ROOT}/tests/camapp/main_window_logic_test.cpp
          ${KVO_ROOT}/tests/camapp/capture_files_test.cpp
          ${KVO_ROOT}/camapp/main_window_logic.cpp ${KVO_ROOT}/camapp/capture_files.cpp
  INCLUDES ${KVO_ROOT}/camapp)
# The device-change record reader, with the camapp logic.
target_sources(camapp_logic PRIVATE ${KVO_ROOT}/tests/camapp/device_change_record_test.cpp
               ${KVO_ROOT}/camapp/device_change_record.cpp)
