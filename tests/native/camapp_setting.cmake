# The settings window's plain rules: desktop placement, compressor entry, format sizing.
kvo_native_test(camapp_setting_rules
  SOURCES ${KVO_ROOT}/tests/camapp/setting_rules_test.cpp ${KVO_ROOT}/camapp/setting_rules.cpp
  INCLUDES ${KVO_ROOT}/camapp)
