# The tray companion's plain logic: toolbox geometry, hit test, words and parsers.
kvo_native_test(tray_logic
  SOURCES ${KVO_ROOT}/tests/tray/tray_logic_test.cpp ${KVO_ROOT}/tray/toolbox_geometry.cpp
          ${KVO_ROOT}/tray/tray_words.cpp
  INCLUDES ${KVO_ROOT}/tray)
