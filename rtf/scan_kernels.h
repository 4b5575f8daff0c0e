// The RTF layer's kernels: the searches the token reader and the font-table
// reader make over every byte of a document. Each comes as a pair with one
// signature, FooPlainly (a plain loop that states what Foo means) and
// FooSse2 (sixteen bytes at a time, built only where text/simd.h turns SSE2
// on); Foo is the one the readers call, and a unit test holds every FooSse2
// against its FooPlainly. Every load stays inside the range it is given.
#pragma once

#include <array>
#include <cstdint>

#include "text/simd.h"

namespace idxfilter {

// ---- EndOfTextBytes: the end of the text bytes that start at `pos`: the
// first control byte (below the blank), backslash or brace, or `end`.

// Bytes a text stretch keeps as they stand: the blank and everything above
// it, except the backslash and the braces. A table, since text stretches
// are most of a document's bytes.
inline constexpr auto kTextBytes = [] {
    std::array<bool, 256> table{};
    for (int c = ' '; c < 256; ++c) table[c] = c != '\\' && c != '{' && c != '}';
    return table;
}();

inline const char* EndOfTextBytesPlainly(const char* pos, const char* end) {
    while (pos < end && kTextBytes[static_cast<unsigned char>(*pos)]) ++pos;
    return pos;
}

#if IDXFILTER_SSE2
inline const char* EndOfTextBytesSse2(const char* pos, const char* end) {
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i open = _mm_set1_epi8('{');
    const __m128i close = _mm_set1_epi8('}');
    while (end - pos >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos));
        __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(block, lastControl), block);
        __m128i markup = _mm_or_si128(_mm_cmpeq_epi8(block, backslash),
                                      _mm_or_si128(_mm_cmpeq_epi8(block, open), _mm_cmpeq_epi8(block, close)));
        if (int stops = _mm_movemask_epi8(_mm_or_si128(control, markup)))
            return pos + __builtin_ctz(static_cast<unsigned>(stops));
        pos += 16;
    }
    return EndOfTextBytesPlainly(pos, end);
}
#endif

inline const char* EndOfTextBytes(const char* pos, const char* end) {
#if IDXFILTER_SSE2
    return EndOfTextBytesSse2(pos, end);
#else
    return EndOfTextBytesPlainly(pos, end);
#endif
}

// ---- DecodeFourPlainEscapes: four escapes of the plain form, a backslash,
// an apostrophe and two hexadecimal digits giving a byte other than 0, in
// the sixteen bytes at `escape`: their bytes in `bytes` (first escape in
// the lowest byte), and true. False, with `bytes` unset, when any of the
// sixteen bytes differs from that form; the escapes are then read one at a
// time.

// The value of a hexadecimal digit (either case), -1 for other bytes.
constexpr int PlainHexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline bool DecodeFourPlainEscapesPlainly(const char* escape, std::uint32_t& bytes) {
    std::uint32_t decoded = 0;
    for (int k = 0; k < 4; ++k) {
        const char* e = escape + 4 * k;
        int high = PlainHexDigit(static_cast<unsigned char>(e[2]));
        int low = PlainHexDigit(static_cast<unsigned char>(e[3]));
        if (e[0] != '\\' || e[1] != '\'' || high < 0 || low < 0 || (high | low) == 0) return false;
        decoded |= static_cast<std::uint32_t>(high << 4 | low) << (8 * k);
    }
    bytes = decoded;
    return true;
}

#if IDXFILTER_SSE2
inline bool DecodeFourPlainEscapesSse2(const char* escape, std::uint32_t& bytes) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(escape));
    // Each 32-bit lane holds one escape: "\\", "'", high digit, low digit.
    const __m128i markers = _mm_set1_epi32(0x275C);
    const __m128i markerBytes = _mm_set1_epi32(0xFFFF);
    bool marked = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(block, markerBytes), markers)) == 0xFFFF;
    const __m128i digit = _mm_sub_epi8(block, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    const __m128i letter = _mm_sub_epi8(_mm_or_si128(block, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    constexpr int kDigitPositions = 0xCCCC;  // bytes 2 and 3 of every lane
    bool digits = (_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)) & kDigitPositions) == kDigitPositions;
    if (!marked || !digits) return false;
    const __m128i values = _mm_or_si128(_mm_and_si128(isDigit, digit),
                                        _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
    // Per lane: the high digit's value, at bits 16-19, moved to bits 4-7,
    // joined by the low digit's, at bits 24-27, moved to bits 0-3.
    const __m128i lanes = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(values, 12), _mm_set1_epi32(0xF0)),
                                       _mm_srli_epi32(values, 24));
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(lanes, lanes), lanes);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(packed, _mm_setzero_si128())) & 0xF) return false;
    bytes = static_cast<std::uint32_t>(_mm_cvtsi128_si32(packed));
    return true;
}
#endif

inline bool DecodeFourPlainEscapes(const char* escape, std::uint32_t& bytes) {
#if IDXFILTER_SSE2
    return DecodeFourPlainEscapesSse2(escape, bytes);
#else
    return DecodeFourPlainEscapesPlainly(escape, bytes);
#endif
}

// ---- FontTableWordPlaces: the places among the sixteen bytes at `p` where
// "\fonttbl" may end, as a bit mask (bit k for p[k]): a "b" followed by
// "l" or a control byte (dropped inside a control word), and a "6" followed
// by "2" (the escaped "b"). Reads p[0] to p[16]. The places are only
// candidates; the font-table reader looks at each.

inline unsigned FontTableWordPlacesPlainly(const char* p) {
    unsigned places = 0;
    for (int k = 0; k < 16; ++k) {
        auto next = static_cast<unsigned char>(p[k + 1]);
        bool written = p[k] == 'b' && (next == 'l' || next < ' ');
        bool escaped = p[k] == '6' && next == '2';
        if (written || escaped) places |= 1u << k;
    }
    return places;
}

#if IDXFILTER_SSE2
inline unsigned FontTableWordPlacesSse2(const char* p) {
    const __m128i b = _mm_set1_epi8('b');
    const __m128i l = _mm_set1_epi8('l');
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    const __m128i six = _mm_set1_epi8('6');
    const __m128i two = _mm_set1_epi8('2');
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
    __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(next, lastControl), next);
    __m128i written = _mm_and_si128(_mm_cmpeq_epi8(block, b), _mm_or_si128(_mm_cmpeq_epi8(next, l), control));
    __m128i escaped = _mm_and_si128(_mm_cmpeq_epi8(block, six), _mm_cmpeq_epi8(next, two));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(written, escaped)));
}
#endif

inline unsigned FontTableWordPlaces(const char* p) {
#if IDXFILTER_SSE2
    return FontTableWordPlacesSse2(p);
#else
    return FontTableWordPlacesPlainly(p);
#endif
}

}  // namespace idxfilter
