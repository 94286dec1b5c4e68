# Cross build for i686 Windows, the shipping target (Windows 2000/XP), with MinGW-w64's
# native Win32 thread model.
#
# Why not the posix model: its runtime (libwinpthread, linked statically into every program)
# imports KERNEL32!GetTickCount64, which came with Vista, so XP's loader would refuse each
# deliverable before its first line runs. The product code starts no std::thread and locks
# with its own critical-section owner (common/), so it needs no POSIX threads; only the test
# programs do, and they are built and run in the x86_64 tree.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KVO_TARGET_ARCH i686)
set(CMAKE_C_COMPILER   i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER  i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
