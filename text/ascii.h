// Finding runs of ASCII quickly: most text, and nearly all RTF markup, is
// ASCII, and every conversion has a shortcut for it.
#pragma once

#include <algorithm>
#include <bit>
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
    // The last partial block, read as the sixteen bytes that end the range:
    // those before i are known ASCII, so a high bit can only be at i or after.
    if (i < n && n >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
        int high = _mm_movemask_epi8(block);
        return high ? n - 16 + static_cast<std::size_t>(__builtin_ctz(high)) : n;
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

// The number of trailing bytes of [p, p + n) below 0x80, examined sixteen
// at a time from the end.
inline std::size_t AsciiSuffixLength(const char* p, std::size_t n) {
    std::size_t i = n;
#if defined(__SSE2__)
    for (; i >= 16; i -= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 16));
        if (int high = _mm_movemask_epi8(block)) {
            // The last high byte is at i - 16 + (31 - clz): what follows it.
            std::size_t last = i - 16 + static_cast<std::size_t>(31 - __builtin_clz(static_cast<unsigned>(high)));
            return n - last - 1;
        }
    }
#endif
    while (i > 0 && static_cast<unsigned char>(p[i - 1]) < 0x80) --i;
    return n - i;
}

// True when every byte of [p, p + n) is from 01 to 7F: ASCII without a NUL
// byte, found in one pass.
inline bool IsAsciiWithoutNul(const char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (_mm_movemask_epi8(block) | _mm_movemask_epi8(_mm_cmpeq_epi8(block, zero))) return false;
    }
#endif
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) - 1u >= 0x7Fu) return false;
    return true;
}

// Finds and copies in one pass the leading ASCII bytes of [in, in + n) to
// units, and returns their number. Whole blocks of sixteen are stored, so
// `out` may be written past that number, though never past n units.
inline std::size_t WidenAsciiPrefix(const char* in, std::size_t n, char16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(block, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(block, zero));
        if (int high = _mm_movemask_epi8(block)) return i + static_cast<std::size_t>(__builtin_ctz(high));
    }
#endif
    for (; i < n && static_cast<unsigned char>(in[i]) < 0x80; ++i) out[i] = static_cast<unsigned char>(in[i]);
    return i;
}

// Finds and copies in one pass the leading ASCII bytes of [in, in + n) to
// `out`, and returns their number. Like WidenAsciiPrefix, it may write
// past that number, though never past n bytes.
inline std::size_t CopyAsciiPrefix(const char* in, std::size_t n, char* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), block);
        if (int high = _mm_movemask_epi8(block)) return i + static_cast<std::size_t>(__builtin_ctz(high));
    }
#endif
    for (; i < n && static_cast<unsigned char>(in[i]) < 0x80; ++i) out[i] = in[i];
    return i;
}

// Finds and copies in one pass the leading ASCII units of [in, in + n) to
// bytes, and returns their number. Like WidenAsciiPrefix, it may write
// past that number, though never past n bytes.
inline std::size_t NarrowAsciiPrefix(const char16_t* in, std::size_t n, char* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 8));
        // Units that are not ASCII pack to some byte; they lie past the
        // count returned, so storing them does no harm.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
        __m128i lowAscii = _mm_cmpeq_epi16(_mm_and_si128(low, nonAscii), zero);
        __m128i highAscii = _mm_cmpeq_epi16(_mm_and_si128(high, nonAscii), zero);
        int ascii = _mm_movemask_epi8(_mm_packs_epi16(lowAscii, highAscii));
        if (ascii != 0xFFFF) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(~ascii)));
    }
#endif
    for (; i < n && in[i] < 0x80; ++i) out[i] = static_cast<char>(in[i]);
    return i;
}

// The number of bytes the units of [in, in + n) take in UTF-8 when each is
// encoded by itself: one below U+0080, two below U+0800, three above.
inline std::size_t Utf8LengthOfUnits(const char16_t* in, std::size_t n) {
    std::size_t length = n;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i twoBytes = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i threeBytes = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i zero = _mm_setzero_si128();
    while (i + 8 <= n) {
        // Each lane counts at most 2 a block; 16-bit lanes hold 8,192 blocks.
        std::size_t blocks = std::min<std::size_t>((n - i) / 8, 8192);
        __m128i lanes = zero;
        for (std::size_t b = 0; b < blocks; ++b, i += 8) {
            __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            __m128i below80 = _mm_cmpeq_epi16(_mm_and_si128(units, twoBytes), zero);
            __m128i below800 = _mm_cmpeq_epi16(_mm_and_si128(units, threeBytes), zero);
            lanes = _mm_sub_epi16(_mm_sub_epi16(lanes, below80), below800);
        }
        // lanes now holds, per lane, how many of its units were short.
        alignas(16) std::uint16_t counts[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(counts), lanes);
        std::size_t shortUnits = 0;
        for (std::uint16_t count : counts) shortUnits += count;
        length += 2 * blocks * 8 - shortUnits;
    }
#endif
    for (; i < n; ++i) length += (in[i] >= 0x80) + (in[i] >= 0x800);
    return length;
}
}  // namespace idxfilter
