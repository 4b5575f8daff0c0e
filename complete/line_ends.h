// Line ends of UTF-8 text made LF where the text lies: CR LF and a lone CR
// become LF. Text from Windows has a CR on every line, so beside the byte
// by byte version there is one that moves the text sixteen bytes at a time
// and goes byte by byte only through blocks that hold a CR LF; the tests
// hold the two against each other.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace idxfilter::complete {

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

// Byte by byte; returns the text's new length.
inline std::size_t CompactLineEndsPlainly(char* text, std::size_t n) {
    return detail::CompactLineEndsFrom(text, n, 0, 0);
}

// The same, sixteen bytes at a time where SSE2 is there.
inline std::size_t CompactLineEnds(char* text, std::size_t n) {
    // Up to the first CR nothing moves.
    auto cr = static_cast<char*>(std::memchr(text, '\r', n));
    if (cr == nullptr) return n;
    std::size_t read = std::size_t(cr - text), write = read;
#if defined(__SSE2__)
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
#endif
    return detail::CompactLineEndsFrom(text, n, read, write);
}

}  // namespace idxfilter::complete
