// Runs of plain ASCII in plain text: bytes or UTF-16 units 01 to 7F other
// than CR, which the text's UTF-8 holds as they are (a CR goes through the
// line-end rule, a zero is dropped, anything else is decoded). Most plain
// text is such runs, so each is found and copied sixteen at a time where
// SSE2 is there, beside the unit-by-unit version that the tests hold it
// against.
#pragma once

#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace idxfilter::complete {

constexpr bool IsPlainAscii(unsigned value) { return value - 1u < 0x7Fu && value != '\r'; }

// Copies the leading plain ASCII bytes of [in, in + n) to `out` and
// returns their number.
inline std::size_t CopyPlainAsciiPlainly(const char* in, std::size_t n, char* out) {
    std::size_t i = 0;
    for (; i < n && IsPlainAscii(static_cast<unsigned char>(in[i])); ++i) out[i] = in[i];
    return i;
}

// Copies the leading plain ASCII units of [in, in + n) to `out` as bytes
// and returns their number.
inline std::size_t NarrowPlainAsciiPlainly(const char16_t* in, std::size_t n, char* out) {
    std::size_t i = 0;
    for (; i < n && IsPlainAscii(in[i]); ++i) out[i] = static_cast<char>(in[i]);
    return i;
}

#if defined(__SSE2__)
namespace detail {

// The lanes of `bytes` that are 00, CR or 80 and above, as a bit mask.
inline int NotPlainAsciiMask(__m128i bytes) {
    __m128i zero = _mm_cmpeq_epi8(bytes, _mm_setzero_si128());
    __m128i cr = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'));
    return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(zero, cr), bytes));
}

}  // namespace detail
#endif

// CopyPlainAsciiPlainly's result, sixteen bytes at a time. Whole blocks
// are stored, so `out` may be written past the number returned, though
// never past n bytes.
inline std::size_t CopyPlainAscii(const char* in, std::size_t n, char* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), block);
        if (int stop = detail::NotPlainAsciiMask(block)) return i + static_cast<std::size_t>(__builtin_ctz(stop));
    }
#endif
    return i + CopyPlainAsciiPlainly(in + i, n - i, out + i);
}

// NarrowPlainAsciiPlainly's result, sixteen units at a time. Like
// CopyPlainAscii it may write past the number returned, never past n
// bytes.
inline std::size_t NarrowPlainAscii(const char16_t* in, std::size_t n, char* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 8));
        // packus saturates a unit from 0100 to 7FFF to FF and one from 8000
        // on (negative to it) to 00: neither is plain ASCII, so every unit
        // that is not stays a stop.
        __m128i bytes = _mm_packus_epi16(low, high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
        if (int stop = detail::NotPlainAsciiMask(bytes)) return i + static_cast<std::size_t>(__builtin_ctz(stop));
    }
#endif
    return i + NarrowPlainAsciiPlainly(in + i, n - i, out + i);
}

// The number of bytes from 80 on in [p, p + n), one by one.
inline std::size_t CountHighBytesPlainly(const char* p, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) count += static_cast<unsigned char>(p[i]) >> 7;
    return count;
}

// The same number, sixteen bytes at a time.
inline std::size_t CountHighBytes(const char* p, std::size_t n) {
    std::size_t count = 0, i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    while (n - i >= 16) {
        // A byte lane counts at most 255 blocks.
        std::size_t blocks = std::min<std::size_t>((n - i) / 16, 255);
        __m128i lanes = zero;
        for (std::size_t b = 0; b < blocks; ++b, i += 16) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            lanes = _mm_sub_epi8(lanes, _mm_cmplt_epi8(bytes, zero));
        }
        __m128i sums = _mm_sad_epu8(lanes, zero);
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    return count + CountHighBytesPlainly(p + i, n - i);
}

}  // namespace idxfilter::complete
