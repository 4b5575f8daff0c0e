#include "rtf/font_table_words.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace idxfilter {
namespace {

// Bytes the token reader drops from inside a control word.
bool IsDroppedControlByte(char c) { return static_cast<unsigned char>(c) < ' ' && c != '\n'; }

// At a "b": whether "\fonttbl" may be written with that "b", the dropped
// control bytes allowed between any two of its bytes. Returns the position
// after its "l", or null.
const char* WrittenWordEndingAt(const char* b, const char* begin, const char* end) {
    const char* next = b + 1;
    while (next < end && IsDroppedControlByte(*next)) ++next;
    if (next == end || *next != 'l') return nullptr;
    const char* before = b;
    for (const char* expected = "ttnof\\"; *expected != '\0'; ++expected) {
        do {
            if (before == begin) return nullptr;
            --before;
        } while (IsDroppedControlByte(*before));
        if (*before != *expected) return nullptr;
    }
    return next + 1;
}

// At a "2": whether it ends the escape of "b" in "\'62\'6c" (either case
// of "c"), the last two escapes of an escaped "\fonttbl": no other form of
// escape gives those bytes. Returns the position after the second escape,
// or null.
const char* EscapedWordEndingAt(const char* two, const char* begin, const char* end) {
    if (two - begin < 3 || end - two < 5) return nullptr;
    if (std::memcmp(two - 3, "\\'62\\'6", 7) != 0) return nullptr;
    char last = two[4];
    return last == 'c' || last == 'C' ? two + 5 : nullptr;
}

const char* WordEndingAt(const char* p, const char* begin, const char* end) {
    if (*p == 'b') return WrittenWordEndingAt(p, begin, end);
    if (*p == '6' && end - p > 1 && p[1] == '2') return EscapedWordEndingAt(p + 1, begin, end);
    return nullptr;
}

}  // namespace

const char* EndOfLastFontTableWord(const char* begin, const char* end) {
    const char* last = begin;
    const char* p = begin;
    // The places to look: a "b" followed by "l" or a control byte, and a
    // "6" followed by "2". Sixteen bytes are sifted at a time where SSE2
    // is, each beside the byte after it.
#if defined(__SSE2__)
    const __m128i b = _mm_set1_epi8('b');
    const __m128i l = _mm_set1_epi8('l');
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    const __m128i six = _mm_set1_epi8('6');
    const __m128i two = _mm_set1_epi8('2');
    for (; end - p > 16; p += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(next, lastControl), next);
        __m128i written = _mm_and_si128(_mm_cmpeq_epi8(block, b), _mm_or_si128(_mm_cmpeq_epi8(next, l), control));
        __m128i escaped = _mm_and_si128(_mm_cmpeq_epi8(block, six), _mm_cmpeq_epi8(next, two));
        unsigned places = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(written, escaped)));
        for (; places != 0; places &= places - 1) {
            const char* place = p + __builtin_ctz(places);
            if (const char* wordEnd = WordEndingAt(place, begin, end); wordEnd > last) last = wordEnd;
        }
    }
#endif
    for (; p < end; ++p) {
        if (const char* wordEnd = WordEndingAt(p, begin, end); wordEnd > last) last = wordEnd;
    }
    return last;
}

}  // namespace idxfilter
