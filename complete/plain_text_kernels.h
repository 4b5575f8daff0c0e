// The complete reader's kernels for plain text: runs of plain ASCII, the
// count of high bytes, and line ends made LF. Most plain text is such runs
// and text from Windows has a CR on every line, so each search has a
// sixteen-at-a-time form.
//
// Each kernel comes as a pair with one signature: FooPlainly, a plain loop
// that states what Foo means, and FooSse2, built only where text/simd.h
// turns SSE2 on; Foo is the one the reader calls, and the tests hold every
// FooSse2 against its FooPlainly. Every load stays inside the range given.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "text/simd.h"

namespace idxfilter::complete {

// Plain ASCII: bytes or UTF-16 units 01 to 7F other than CR, which the
// text's UTF-8 holds as they are (a CR goes through the line-end rule, a
// zero is dropped, anything else is decoded).
constexpr bool IsPlainAscii(unsigned value) { return value - 1u < 0x7Fu && value != '\r'; }

#if IDXFILTER_SSE2
namespace detail {

// The lanes of `bytes` that are 00, CR or 80 and above, as a bit mask.
inline int NotPlainAsciiMask(__m128i bytes) {
    __m128i zero = _mm_cmpeq_epi8(bytes, _mm_setzero_si128());
    __m128i cr = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'));
    return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(zero, cr), bytes));
}

}  // namespace detail
#endif

// ---- CopyPlainAscii: copies the leading plain ASCII bytes of [in, in + n)
// to `out` and returns their number. The SSE2 kernel stores whole blocks,
// so `out` may be written past the number returned, though never past n
// bytes.

inline std::size_t CopyPlainAsciiPlainly(const char* in, std::size_t n, char* out) {
    std::size_t i = 0;
    for (; i < n && IsPlainAscii(static_cast<unsigned char>(in[i])); ++i) out[i] = in[i];
    return i;
}

#if IDXFILTER_SSE2
inline std::size_t CopyPlainAsciiSse2(const char* in, std::size_t n, char* out) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), block);
        if (int stop = detail::NotPlainAsciiMask(block)) return i + static_cast<std::size_t>(__builtin_ctz(stop));
    }
    return i + CopyPlainAsciiPlainly(in + i, n - i, out + i);
}
#endif

inline std::size_t CopyPlainAscii(const char* in, std::size_t n, char* out) {
#if IDXFILTER_SSE2
    return CopyPlainAsciiSse2(in, n, out);
#else
    return CopyPlainAsciiPlainly(in, n, out);
#endif
}

// ---- NarrowPlainAscii: copies the leading plain ASCII units of [in, in + n)
// to `out` as bytes and returns their number. Like CopyPlainAscii it may
// write past the number returned, never past n bytes.

inline std::size_t NarrowPlainAsciiPlainly(const char16_t* in, std::size_t n, char* out) {
    std::size_t i = 0;
    for (; i < n && IsPlainAscii(in[i]); ++i) out[i] = static_cast<char>(in[i]);
    return i;
}

#if IDXFILTER_SSE2
inline std::size_t NarrowPlainAsciiSse2(const char16_t* in, std::size_t n, char* out) {
    std::size_t i = 0;
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
    return i + NarrowPlainAsciiPlainly(in + i, n - i, out + i);
}
#endif

inline std::size_t NarrowPlainAscii(const char16_t* in, std::size_t n, char* out) {
#if IDXFILTER_SSE2
    return NarrowPlainAsciiSse2(in, n, out);
#else
    return NarrowPlainAsciiPlainly(in, n, out);
#endif
}

// ---- CountHighBytes: the number of bytes from 80 on in [p, p + n).

inline std::size_t CountHighBytesPlainly(const char* p, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) count += static_cast<unsigned char>(p[i]) >> 7;
    return count;
}

#if IDXFILTER_SSE2
inline std::size_t CountHighBytesSse2(const char* p, std::size_t n) {
    std::size_t count = 0, i = 0;
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
    return count + CountHighBytesPlainly(p + i, n - i);
}
#endif

inline std::size_t CountHighBytes(const char* p, std::size_t n) {
#if IDXFILTER_SSE2
    return CountHighBytesSse2(p, n);
#else
    return CountHighBytesPlainly(p, n);
#endif
}

// ---- CompactLineEnds: line ends of UTF-8 text made LF where the text lies
// (CR LF and a lone CR become LF); returns the text's new length. The SSE2
// kernel moves the text sixteen bytes at a time and goes byte by byte only
// through blocks that hold a CR LF.

namespace detail {

// From byte `read` of the text, whose first `write` bytes are done (write
// <= read): the rest byte by byte. Returns the text's new length.
inline std::size_t CompactLineEndsFrom(char* text, std::size_t n, std::size_t read, std::size_t write) {
    for (; read < n; ++read) {
        char c = text[read];
        if (c != '\r') {
            text[write++] = c;
            continue;
        }
        text[write++] = '\n';
        if (read + 1 < n && text[read + 1] == '\n') ++read;
    }
    return write;
}

}  // namespace detail

inline std::size_t CompactLineEndsPlainly(char* text, std::size_t n) {
    return detail::CompactLineEndsFrom(text, n, 0, 0);
}

#if IDXFILTER_SSE2
inline std::size_t CompactLineEndsSse2(char* text, std::size_t n) {
    // Up to the first CR nothing moves.
    auto cr = static_cast<char*>(std::memchr(text, '\r', n));
    if (cr == nullptr) return n;
    std::size_t read = std::size_t(cr - text), write = read;
    const __m128i crs = _mm_set1_epi8('\r');
    const __m128i lfs = _mm_set1_epi8('\n');
    const __m128i crToLf = _mm_set1_epi8('\r' ^ '\n');
    alignas(16) char block[16];
    for (; n - read >= 16; read += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + read));
        __m128i isCr = _mm_cmpeq_epi8(bytes, crs);
        unsigned crMask = unsigned(_mm_movemask_epi8(isCr));
        // LFs shifted to the CR before them; the block's last CR pairs with
        // the byte after the block.
        unsigned lfMask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lfs))) >> 1;
        if (read + 16 < n && text[read + 16] == '\n') lfMask |= 0x8000;
        if ((crMask & lfMask) == 0) {
            // No CR LF: every CR becomes LF where it is. write <= read, so
            // the store overwrites only bytes already loaded.
            bytes = _mm_xor_si128(bytes, _mm_and_si128(isCr, crToLf));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(text + write), bytes);
            write += 16;
            continue;
        }
        // A block with a CR goes byte by byte from a copy, since writing
        // may overwrite the block where it lies.
        _mm_store_si128(reinterpret_cast<__m128i*>(block), bytes);
        for (std::size_t k = 0; k < 16; ++k) {
            if (block[k] != '\r') {
                text[write++] = block[k];
                continue;
            }
            text[write++] = '\n';
            // Its LF, in the block or the first byte after it (not yet
            // overwritten: write stays within the block).
            if (k + 1 < 16) {
                if (block[k + 1] == '\n') ++k;
            } else if (read + 16 < n && text[read + 16] == '\n') {
                ++read;
            }
        }
    }
    return detail::CompactLineEndsFrom(text, n, read, write);
}
#endif

inline std::size_t CompactLineEnds(char* text, std::size_t n) {
#if IDXFILTER_SSE2
    return CompactLineEndsSse2(text, n);
#else
    return CompactLineEndsPlainly(text, n);
#endif
}

}  // namespace idxfilter::complete
