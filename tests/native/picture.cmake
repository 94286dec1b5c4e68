# The still bitmap and its JPEG encoding, over the system's libjpeg-turbo (the IJG interface
# the cross builds compile from Debian's source of the same library).
find_package(JPEG REQUIRED)
kvo_native_test(picture
  SOURCES ${KVO_ROOT}/tests/picture/picture_test.cpp ${KVO_ROOT}/common/bitmap24.cpp
          ${KVO_ROOT}/camapp/picture/jpeg_writer.cpp
  INCLUDES ${KVO_ROOT}/camapp/picture ${KVO_ROOT}/common ${KVO_ROOT}/camctl)
target_link_libraries(picture PRIVATE JPEG::JPEG)
