# The tray companion's plain logic: toolbox geometry, hit test, words and parsers.
kvo_native_test(tray_logic
  SOURCES ${KVO_ROOT}/tests/tray/tray_logic_test.cpp ${KVO_ROOT}/tray/toolbox_geometry.cpp
          ${KVO_ROOT}/tray/tray_words.cpp ${KVO_ROOT}/camctl/instance_key_path.cpp
  INCLUDES ${KVO_ROOT}/tray ${KVO_ROOT}/camctl)
