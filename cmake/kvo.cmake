# Small helpers shared by the folders' CMake files.

# kvo_add_existing_subdirs(dir...): adds each folder that has a CMakeLists.txt.
function(kvo_add_existing_subdirs)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# kvo_add_all_subdirs(): adds every direct subfolder that has a CMakeLists.txt, except
# "native" (tests/native is its own project, built with the host compiler).
function(kvo_add_all_subdirs)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND NOT child STREQUAL "native"
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# GoogleTest from Debian's sources, cross-built with the tests.
macro(kvo_add_googletest)
  set(KVO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${KVO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endmacro()

# kvo_add_gtest(NAME SOURCES src... [LIBS lib...] [LABELS label...] [TIMEOUT s]
#               [DEPENDS target...]): a GoogleTest program run by ctest under Wine.
# Every test needs the prepared prefix (fixture wine_prefix) and takes the prefix lock, as
# tests share the one settings key and the one simulated camera of the build tree.
# A program whose cases all skip themselves (GTEST_SKIP) exits with KVO_SKIPPED_EXIT_CODE
# (tests/gtest_main), and so does scripts/wine-run without a display: ctest reports skipped.
set(KVO_SKIPPED_EXIT_CODE 77)
# In the shipping tree (KVO_BUILD_TESTS off) it adds nothing, wherever it is called from.
function(kvo_add_gtest name)
  if(NOT KVO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kvo_gtest_main)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    SKIP_RETURN_CODE ${KVO_SKIPPED_EXIT_CODE}
    FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wine_prefix LABELS "${T_LABELS}")
endfunction()

# kvo_ship_stripped(target): after each link the deliverable is stripped, and its debug
# information goes to symbols/<file>.debug in the build tree, which the stripped file names
# in a debug link (.gnu_debuglink), so a crash address can still be read:
#   addr2line -f -e build/i686/symbols/KVO_MAIN.exe.debug 0x401234
# Both trees do it, so that what the tests install and run is what ships.
set(KVO_SYMBOLS_DIR ${CMAKE_BINARY_DIR}/symbols)
function(kvo_ship_stripped target)
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "no objcopy for ${target}: the deliverables ship stripped")
  endif()
  set(debug_file ${KVO_SYMBOLS_DIR}/$<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KVO_SYMBOLS_DIR}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug_file}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${debug_file}
            $<TARGET_FILE:${target}>
    COMMENT "Moving the debug information of ${target} to symbols/"
    VERBATIM)
endfunction()
