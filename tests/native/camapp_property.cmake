# The property window's plain rules: zoom arithmetic, pan steps, effect values, placement.
kvo_native_test(camapp_property_rules
  SOURCES ${KVO_ROOT}/tests/camapp/property_rules_test.cpp ${KVO_ROOT}/camapp/property_rules.cpp
  INCLUDES ${KVO_ROOT}/camapp)
