// Finding runs of ASCII quickly: most text, and nearly all RTF markup, is
// ASCII, and every conversion has a shortcut for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace idxfilter {

// The number of leading bytes of [p, p + n) below 0x80, examined sixteen
// (without SSE2 eight) at a time.
inline std::size_t AsciiPrefixLength(const char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (int high = _mm_movemask_epi8(block)) return i + static_cast<std::size_t>(__builtin_ctz(high));
    }
#endif
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    return i;
}

inline bool IsAscii(const char* p, std::size_t n) { return AsciiPrefixLength(p, n) == n; }

// The number of leading units of [p, p + n) below 0x80.
inline std::size_t AsciiUnitPrefixLength(const char16_t* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 8 <= n; i += 8) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(block, nonAscii), _mm_setzero_si128());
        if (_mm_movemask_epi8(ascii) != 0xFFFF) break;
    }
#endif
    for (; i + 4 <= n; i += 4) {
        std::uint64_t four;
        std::memcpy(&four, p + i, 8);
        if (four & 0xFF80FF80FF80FF80ull) break;
    }
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

// Copies `n` ASCII bytes to units and units to bytes; plain loops that the
// compiler turns into vector code.
inline void WidenAscii(const char* in, std::size_t n, char16_t* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(in[i]);
}

inline void NarrowAscii(const char16_t* in, std::size_t n, char* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>(in[i]);
}

}  // namespace idxfilter
