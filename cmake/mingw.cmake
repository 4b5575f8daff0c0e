# Cross build for Windows (IDXFILTER_WINDOWS_ARCH i686, the product, or
# x86_64 for running the tests where 32-bit programs cannot run), MinGW-w64 with POSIX threads
# (GoogleTest needs std::mutex), tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES IDXFILTER_WINDOWS_ARCH)
if(NOT IDXFILTER_WINDOWS_ARCH)
  set(IDXFILTER_WINDOWS_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${IDXFILTER_WINDOWS_ARCH})
set(CMAKE_C_COMPILER ${IDXFILTER_WINDOWS_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${IDXFILTER_WINDOWS_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${IDXFILTER_WINDOWS_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${IDXFILTER_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Debian's wine script always picks the 32-bit loader when it is installed,
# even where the kernel cannot run it; 64-bit programs go to wine64 directly.
if(IDXFILTER_WINDOWS_ARCH STREQUAL "x86_64" AND EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
