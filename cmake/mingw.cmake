# Cross build for Windows (IDXFILTER_WINDOWS_ARCH i686, the product, or
# x86_64 for running the tests where 32-bit programs cannot run), MinGW-w64 with POSIX threads
# (GoogleTest needs std::mutex), tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES IDXFILTER_WINDOWS_ARCH)
if(NOT IDXFILTER_WINDOWS_ARCH)
  set(IDXFILTER_WINDOWS_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${IDXFILTER_WINDOWS_ARCH})
# The 32-bit product targets SSE2, which every 32-bit Windows that runs
# today's hosts has, so that it runs the SIMD kernels the native build
# tests and benchmarks (README, "The Windows product and SSE2", has the
# measurement). Hosts built by other compilers may call the export with
# the stack aligned to only 4 bytes: -mstackrealign realigns it in every
# function that keeps 16-byte values there. IDXFILTER_I686_SSE2=OFF builds
# for the plain 80386 instruction set instead.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES IDXFILTER_I686_SSE2)
if(IDXFILTER_WINDOWS_ARCH STREQUAL "i686" AND NOT DEFINED IDXFILTER_I686_SSE2)
  set(IDXFILTER_I686_SSE2 ON)
endif()
if(IDXFILTER_WINDOWS_ARCH STREQUAL "i686" AND IDXFILTER_I686_SSE2)
  set(CMAKE_C_FLAGS_INIT "-msse2 -mstackrealign")
  set(CMAKE_CXX_FLAGS_INIT "-msse2 -mstackrealign")
endif()
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
