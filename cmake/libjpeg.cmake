# libjpeg-turbo (IJG API), cross-built from Debian's source package that scripts/deps
# unpacks into build/src. Static, with its SIMD code (nasm). Target: kvo::jpeg.
include(ExternalProject)

file(GLOB _kvo_jpeg_candidates ${CMAKE_SOURCE_DIR}/build/src/libjpeg-turbo-*/CMakeLists.txt)
if(_kvo_jpeg_candidates)
  list(GET _kvo_jpeg_candidates 0 _kvo_jpeg_first)
  get_filename_component(_kvo_jpeg_default ${_kvo_jpeg_first} DIRECTORY)
endif()
set(KVO_LIBJPEG_SOURCE "${_kvo_jpeg_default}" CACHE PATH "libjpeg-turbo source tree")
if(NOT EXISTS "${KVO_LIBJPEG_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR "libjpeg-turbo sources not found: run scripts/deps first")
endif()

# The sub-build runs in its own folder: hand it the toolchain by its absolute path (it may have
# been given relative to the source tree, as scripts/test does).
get_filename_component(_kvo_jpeg_toolchain "${CMAKE_TOOLCHAIN_FILE}" ABSOLUTE
                       BASE_DIR "${CMAKE_SOURCE_DIR}")

set(_kvo_jpeg_prefix ${CMAKE_BINARY_DIR}/deps/libjpeg)
ExternalProject_Add(libjpeg_turbo
  PREFIX ${CMAKE_BINARY_DIR}/deps/libjpeg-ep
  SOURCE_DIR ${KVO_LIBJPEG_SOURCE}
  BINARY_DIR ${CMAKE_BINARY_DIR}/deps/libjpeg-build
  INSTALL_DIR ${_kvo_jpeg_prefix}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${_kvo_jpeg_toolchain}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DCMAKE_INSTALL_LIBDIR=<INSTALL_DIR>/lib -DCMAKE_INSTALL_INCLUDEDIR=<INSTALL_DIR>/include
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF
    -DWITH_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm
    -DREQUIRE_SIMD=ON
  BUILD_BYPRODUCTS ${_kvo_jpeg_prefix}/lib/libjpeg.a
  INSTALL_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target install
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON
  # Built when a target links kvo::jpeg, not for every tree.
  EXCLUDE_FROM_ALL TRUE)

file(MAKE_DIRECTORY ${_kvo_jpeg_prefix}/include)
add_library(kvo_jpeg STATIC IMPORTED GLOBAL)
set_target_properties(kvo_jpeg PROPERTIES
  IMPORTED_LOCATION ${_kvo_jpeg_prefix}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${_kvo_jpeg_prefix}/include)
add_dependencies(kvo_jpeg libjpeg_turbo)
add_library(kvo::jpeg ALIAS kvo_jpeg)
