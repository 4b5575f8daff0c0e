// How many UTF-16 units well-formed UTF-8 takes: one for each character,
// two for each beyond U+FFFF. Every complete read reports that count for
// texts of many megabytes, so besides the byte-by-byte count there is one
// that takes sixteen bytes at a time; a test holds the two against each
// other.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace idxfilter {

// Byte by byte: a byte that is no continuation byte (10xxxxxx) starts a
// character, and a lead byte from F0 on starts one that takes two units.
inline std::int64_t Utf16LengthOfUtf8Plainly(const char* p, std::size_t n) {
    std::int64_t units = 0;
    for (std::size_t i = 0; i < n; ++i) {
        auto byte = static_cast<unsigned char>(p[i]);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

// The same count, sixteen bytes at a time where SSE2 is there.
inline std::int64_t Utf16LengthOfUtf8(const char* p, std::size_t n) {
    std::int64_t units = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Continuation bytes are the signed values -128 to -65; lead bytes from
    // F0 on the unsigned values that F0 is the maximum of.
    const __m128i lastContinuation = _mm_set1_epi8(static_cast<char>(0xBF));
    const __m128i fourByteLead = _mm_set1_epi8(static_cast<char>(0xF0));
    const __m128i zero = _mm_setzero_si128();
    while (n - i >= 16) {
        // Each byte lane adds at most 2 a block: 127 blocks fit in 8 bits.
        std::size_t blocks = std::min<std::size_t>((n - i) / 16, 127);
        __m128i lanes = zero;
        for (std::size_t b = 0; b < blocks; ++b, i += 16) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            __m128i starts = _mm_cmpgt_epi8(bytes, lastContinuation);
            __m128i pairs = _mm_cmpeq_epi8(_mm_min_epu8(bytes, fourByteLead), fourByteLead);
            lanes = _mm_sub_epi8(_mm_sub_epi8(lanes, starts), pairs);
        }
        __m128i sums = _mm_sad_epu8(lanes, zero);
        units += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    }
#endif
    return units + Utf16LengthOfUtf8Plainly(p + i, n - i);
}

}  // namespace idxfilter
