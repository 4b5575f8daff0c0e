// The one switch for the hand-written SIMD kernels: IDXFILTER_SSE2 is 1
// where the compiler targets SSE2 and the build has not turned the kernels
// off (CMake's IDXFILTER_SIMD=OFF defines IDXFILTER_NO_SIMD), else 0. Only
// the kernel files (text/ascii.h, rtf/scan_kernels.h,
// complete/plain_text_kernels.h) read it; everything else calls the names
// they choose between a kernel and its scalar twin.
#pragma once

#if defined(__SSE2__) && !defined(IDXFILTER_NO_SIMD)
#define IDXFILTER_SSE2 1
#include <emmintrin.h>
#else
#define IDXFILTER_SSE2 0
#endif
