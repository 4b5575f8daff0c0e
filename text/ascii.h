// The text layer's kernels: finding and copying runs of ASCII, zero units
// and UTF-8/UTF-16 lengths. Most text, and nearly all RTF markup, is ASCII,
// and every conversion has a shortcut for it.
//
// Each kernel comes as a pair with one signature: FooPlainly, a plain loop
// that states what Foo means, and FooSse2, sixteen bytes at a time, built
// only where text/simd.h turns SSE2 on. Foo is the one the code calls; a
// unit test holds every FooSse2 against its FooPlainly. Every load stays
// inside [p, p + n): a last partial block is read as the block that ends
// the range, or left to the plain loop.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "text/simd.h"

namespace idxfilter {

// ---- AsciiPrefixLength: the number of leading bytes of [p, p + n) below 0x80.

inline std::size_t AsciiPrefixLengthPlainly(const char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    return i;
}

#if IDXFILTER_SSE2
inline std::size_t AsciiPrefixLengthSse2(const char* p, std::size_t n) {
    if (n < 16) return AsciiPrefixLengthPlainly(p, n);
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (int high = _mm_movemask_epi8(block)) return i + static_cast<std::size_t>(__builtin_ctz(high));
    }
    if (i == n) return n;
    // The last partial block, read as the sixteen bytes that end the range:
    // those before i are known ASCII, so a high bit can only be at i or after.
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
    int high = _mm_movemask_epi8(block);
    return high ? n - 16 + static_cast<std::size_t>(__builtin_ctz(high)) : n;
}
#endif

inline std::size_t AsciiPrefixLength(const char* p, std::size_t n) {
#if IDXFILTER_SSE2
    return AsciiPrefixLengthSse2(p, n);
#else
    return AsciiPrefixLengthPlainly(p, n);
#endif
}

inline bool IsAscii(const char* p, std::size_t n) { return AsciiPrefixLength(p, n) == n; }

// ---- AsciiSuffixLength: the number of trailing bytes of [p, p + n) below 0x80.

inline std::size_t AsciiSuffixLengthPlainly(const char* p, std::size_t n) {
    std::size_t i = n;
    while (i > 0 && static_cast<unsigned char>(p[i - 1]) < 0x80) --i;
    return n - i;
}

#if IDXFILTER_SSE2
inline std::size_t AsciiSuffixLengthSse2(const char* p, std::size_t n) {
    std::size_t i = n;
    for (; i >= 16; i -= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 16));
        if (int high = _mm_movemask_epi8(block)) {
            // The last high byte is at i - 16 + (31 - clz): what follows it.
            std::size_t last = i - 16 + static_cast<std::size_t>(31 - __builtin_clz(static_cast<unsigned>(high)));
            return n - last - 1;
        }
    }
    return n - i + AsciiSuffixLengthPlainly(p, i);
}
#endif

inline std::size_t AsciiSuffixLength(const char* p, std::size_t n) {
#if IDXFILTER_SSE2
    return AsciiSuffixLengthSse2(p, n);
#else
    return AsciiSuffixLengthPlainly(p, n);
#endif
}

// ---- IsAsciiWithoutNul: true when every byte of [p, p + n) is from 01 to 7F.

inline bool IsAsciiWithoutNulPlainly(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) - 1u >= 0x7Fu) return false;
    return true;
}

#if IDXFILTER_SSE2
inline bool IsAsciiWithoutNulSse2(const char* p, std::size_t n) {
    std::size_t i = 0;
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (_mm_movemask_epi8(block) | _mm_movemask_epi8(_mm_cmpeq_epi8(block, zero))) return false;
    }
    return IsAsciiWithoutNulPlainly(p + i, n - i);
}
#endif

inline bool IsAsciiWithoutNul(const char* p, std::size_t n) {
#if IDXFILTER_SSE2
    return IsAsciiWithoutNulSse2(p, n);
#else
    return IsAsciiWithoutNulPlainly(p, n);
#endif
}

// ---- WidenAsciiPrefix: copies the leading ASCII bytes of [in, in + n) to
// units in one pass and returns their number. The SSE2 kernel stores whole
// blocks of sixteen, so `out` may be written past that number, though never
// past n units.

inline std::size_t WidenAsciiPrefixPlainly(const char* in, std::size_t n, char16_t* out) {
    std::size_t i = 0;
    for (; i < n && static_cast<unsigned char>(in[i]) < 0x80; ++i) out[i] = static_cast<unsigned char>(in[i]);
    return i;
}

#if IDXFILTER_SSE2
inline std::size_t WidenAsciiPrefixSse2(const char* in, std::size_t n, char16_t* out) {
    std::size_t i = 0;
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(block, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(block, zero));
        if (int high = _mm_movemask_epi8(block)) return i + static_cast<std::size_t>(__builtin_ctz(high));
    }
    return i + WidenAsciiPrefixPlainly(in + i, n - i, out + i);
}
#endif

inline std::size_t WidenAsciiPrefix(const char* in, std::size_t n, char16_t* out) {
#if IDXFILTER_SSE2
    return WidenAsciiPrefixSse2(in, n, out);
#else
    return WidenAsciiPrefixPlainly(in, n, out);
#endif
}

// ---- CopyAsciiPrefix: copies the leading ASCII bytes of [in, in + n) to
// `out` in one pass and returns their number. Like WidenAsciiPrefix, it
// may write past that number, though never past n bytes.

inline std::size_t CopyAsciiPrefixPlainly(const char* in, std::size_t n, char* out) {
    std::size_t i = 0;
    for (; i < n && static_cast<unsigned char>(in[i]) < 0x80; ++i) out[i] = in[i];
    return i;
}

#if IDXFILTER_SSE2
inline std::size_t CopyAsciiPrefixSse2(const char* in, std::size_t n, char* out) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), block);
        if (int high = _mm_movemask_epi8(block)) return i + static_cast<std::size_t>(__builtin_ctz(high));
    }
    return i + CopyAsciiPrefixPlainly(in + i, n - i, out + i);
}
#endif

inline std::size_t CopyAsciiPrefix(const char* in, std::size_t n, char* out) {
#if IDXFILTER_SSE2
    return CopyAsciiPrefixSse2(in, n, out);
#else
    return CopyAsciiPrefixPlainly(in, n, out);
#endif
}

// ---- NarrowAsciiPrefix: copies the leading ASCII units of [in, in + n) to
// bytes in one pass and returns their number. Like WidenAsciiPrefix, it
// may write past that number, though never past n bytes.

inline std::size_t NarrowAsciiPrefixPlainly(const char16_t* in, std::size_t n, char* out) {
    std::size_t i = 0;
    for (; i < n && in[i] < 0x80; ++i) out[i] = static_cast<char>(in[i]);
    return i;
}

#if IDXFILTER_SSE2
inline std::size_t NarrowAsciiPrefixSse2(const char16_t* in, std::size_t n, char* out) {
    std::size_t i = 0;
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
    return i + NarrowAsciiPrefixPlainly(in + i, n - i, out + i);
}
#endif

inline std::size_t NarrowAsciiPrefix(const char16_t* in, std::size_t n, char* out) {
#if IDXFILTER_SSE2
    return NarrowAsciiPrefixSse2(in, n, out);
#else
    return NarrowAsciiPrefixPlainly(in, n, out);
#endif
}

// ---- Utf8LengthOfUnits: the number of bytes the units of [in, in + n)
// take in UTF-8 when each is encoded by itself: one below U+0080, two below
// U+0800, three above.

inline std::size_t Utf8LengthOfUnitsPlainly(const char16_t* in, std::size_t n) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < n; ++i) length += in[i] < 0x80 ? 1 : in[i] < 0x800 ? 2 : 3;
    return length;
}

#if IDXFILTER_SSE2
inline std::size_t Utf8LengthOfUnitsSse2(const char16_t* in, std::size_t n) {
    std::size_t length = 0;
    std::size_t i = 0;
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
        length += 3 * blocks * 8 - shortUnits;
    }
    return length + Utf8LengthOfUnitsPlainly(in + i, n - i);
}
#endif

inline std::size_t Utf8LengthOfUnits(const char16_t* in, std::size_t n) {
#if IDXFILTER_SSE2
    return Utf8LengthOfUnitsSse2(in, n);
#else
    return Utf8LengthOfUnitsPlainly(in, n);
#endif
}

// ---- UnitsBeforeZero: the number of units of [units, units + count)
// before the first 0 unit.

inline std::size_t UnitsBeforeZeroPlainly(const char16_t* units, std::size_t count) {
    std::size_t i = 0;
    while (i < count && units[i] != 0) ++i;
    return i;
}

#if IDXFILTER_SSE2
inline std::size_t UnitsBeforeZeroSse2(const char16_t* units, std::size_t count) {
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        if (int zeros = _mm_movemask_epi8(_mm_cmpeq_epi16(block, _mm_setzero_si128())))
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(zeros))) / 2;
    }
    return i + UnitsBeforeZeroPlainly(units + i, count - i);
}
#endif

inline std::size_t UnitsBeforeZero(const char16_t* units, std::size_t count) {
#if IDXFILTER_SSE2
    return UnitsBeforeZeroSse2(units, count);
#else
    return UnitsBeforeZeroPlainly(units, count);
#endif
}

// ---- Utf16LengthOfUtf8: how many UTF-16 units well-formed UTF-8 takes:
// one for each character, two for each beyond U+FFFF. Every complete read
// reports that count for texts of many megabytes.

// A byte that is no continuation byte (10xxxxxx) starts a character, and a
// lead byte from F0 on starts one that takes two units.
inline std::int64_t Utf16LengthOfUtf8Plainly(const char* p, std::size_t n) {
    std::int64_t units = 0;
    for (std::size_t i = 0; i < n; ++i) {
        auto byte = static_cast<unsigned char>(p[i]);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

#if IDXFILTER_SSE2
inline std::int64_t Utf16LengthOfUtf8Sse2(const char* p, std::size_t n) {
    std::int64_t units = 0;
    std::size_t i = 0;
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
    return units + Utf16LengthOfUtf8Plainly(p + i, n - i);
}
#endif

inline std::int64_t Utf16LengthOfUtf8(const char* p, std::size_t n) {
#if IDXFILTER_SSE2
    return Utf16LengthOfUtf8Sse2(p, n);
#else
    return Utf16LengthOfUtf8Plainly(p, n);
#endif
}

}  // namespace idxfilter
