# The simulated camera's portable logic: property sets, picture, still files, call record,
# simctl's command line.
kvo_native_test(simcam
  SOURCES ${KVO_ROOT}/tests/simcam/logic/property_store_test.cpp
          ${KVO_ROOT}/tests/simcam/logic/picture_test.cpp
          ${KVO_ROOT}/tests/simcam/logic/snapshot_file_test.cpp
          ${KVO_ROOT}/tests/simcam/logic/call_record_test.cpp
          ${KVO_ROOT}/tests/simcam/logic/simctl_command_test.cpp
          ${KVO_ROOT}/testbed/simcam/property_store.cpp ${KVO_ROOT}/testbed/simcam/picture.cpp
          ${KVO_ROOT}/testbed/simcam/snapshot_file.cpp ${KVO_ROOT}/testbed/simcam/call_record.cpp
          ${KVO_ROOT}/testbed/simctl/simctl_command.cpp ${KVO_ROOT}/common/text.cpp
  INCLUDES ${KVO_ROOT}/testbed/simcam ${KVO_ROOT}/testbed/simctl ${KVO_ROOT}/camctl
           ${KVO_ROOT}/common)
