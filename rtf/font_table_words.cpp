#include "rtf/font_table_words.h"

#include <cstddef>
#include <cstring>

#include "rtf/scan_kernels.h"

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
    // The places to look, sixteen bytes at a time while a byte follows
    // them (FontTableWordPlaces, rtf/scan_kernels.h), then byte by byte.
    for (; end - p > 16; p += 16) {
        for (unsigned places = FontTableWordPlaces(p); places != 0; places &= places - 1) {
            const char* place = p + __builtin_ctz(places);
            if (const char* wordEnd = WordEndingAt(place, begin, end); wordEnd > last) last = wordEnd;
        }
    }
    for (; p < end; ++p) {
        if (const char* wordEnd = WordEndingAt(p, begin, end); wordEnd > last) last = wordEnd;
    }
    return last;
}

}  // namespace idxfilter
