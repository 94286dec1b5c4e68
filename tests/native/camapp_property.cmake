# The property window's plain rules: zoom arithmetic, pan steps, effect values, placement;
# and the digital zoom's owner.
kvo_native_test(camapp_property_rules
  SOURCES ${KVO_ROOT}/tests/camapp/property_rules_test.cpp ${KVO_ROOT}/camapp/property_rules.cpp
          ${KVO_ROOT}/tests/camapp/digital_zoom_test.cpp ${KVO_ROOT}/camapp/digital_zoom.cpp
  INCLUDES ${KVO_ROOT}/camapp)
