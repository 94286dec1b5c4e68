# The camera control library's portable logic: routes and records, product match,
# snapshot decoding.
kvo_native_test(camctl
  SOURCES ${KVO_ROOT}/tests/camctl/property_routes_test.cpp
          ${KVO_ROOT}/tests/camctl/product_match_test.cpp
          ${KVO_ROOT}/tests/camctl/snapshot_image_test.cpp
          ${KVO_ROOT}/camctl/property_routes.cpp ${KVO_ROOT}/camctl/product_match.cpp
          ${KVO_ROOT}/camctl/snapshot_image.cpp ${KVO_ROOT}/common/text.cpp
  INCLUDES ${KVO_ROOT}/camctl ${KVO_ROOT}/common ${KVO_ROOT}/tests/camctl)
