# The window toolkit's plain logic: skin file parser, frame geometry, slider and radio rules.
kvo_native_test(toolkit_logic
  SOURCES ${KVO_ROOT}/tests/toolkit/toolkit_logic_test.cpp ${KVO_ROOT}/toolkit/control_math.cpp
          ${KVO_ROOT}/toolkit/skin_format.cpp ${KVO_ROOT}/toolkit/skin_geometry.cpp
  INCLUDES ${KVO_ROOT}/toolkit)
target_compile_definitions(toolkit_logic PRIVATE
  KVO_DEFAULT_SKIN_INI="${KVO_ROOT}/toolkit/skin/skin.ini")
# Where a skin's pictures are looked up.
target_sources(toolkit_logic PRIVATE ${KVO_ROOT}/tests/toolkit/skin_pictures_test.cpp
               ${KVO_ROOT}/toolkit/skin_pictures.cpp)
