#include "text/utf16_to_utf8.h"

#include "text/ascii.h"

namespace idxfilter {
namespace {

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Writes the UTF-8 form of `c` (not below 0x80) at `p`, which has a byte
// of room beyond it; returns its end.
char* AppendCodePoint(char32_t c, char* p) {
    if (c < 0x10000) return StoreUtf8OfUnitAbove7F(static_cast<char16_t>(c), p);
    *p++ = char(0xF0 | (c >> 18));
    *p++ = char(0x80 | ((c >> 12) & 0x3F));
    *p++ = char(0x80 | ((c >> 6) & 0x3F));
    *p++ = char(0x80 | (c & 0x3F));
    return p;
}

}  // namespace

char* EncodeUtf16AsUtf8(const char16_t* units, std::size_t count, char* p) {
    for (std::size_t i = 0; i < count;) {
        // Runs of ASCII, the bulk of most texts, are copied in one go.
        std::size_t ascii = NarrowAsciiPrefix(units + i, count - i, p);
        p += ascii;
        i += ascii;
        // Then the units up to the next ASCII one; those outside the
        // surrogates, nearly all, take the short way.
        for (; i < count && units[i] >= 0x80; ++i) {
            char16_t u = units[i];
            if (u >= 0xD800 && u <= 0xDFFF) break;
            p = StoreUtf8OfUnitAbove7F(u, p);
        }
        if (i == count || units[i] < 0x80) continue;
        char16_t u = units[i++];
        if (IsHighSurrogate(u) && i < count && IsLowSurrogate(units[i])) {
            p = AppendCodePoint(0x10000 + ((char32_t(u) - 0xD800) << 10) + (units[i++] - 0xDC00), p);
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            p = AppendCodePoint(0xFFFD, p);
        } else {
            p = AppendCodePoint(u, p);
        }
    }
    return p;
}

std::string Utf16ToUtf8(const char16_t* units, std::size_t count) {
    // At most three bytes a unit (a joined pair takes four for two units),
    // and one to spare; counted first so that the text is written without
    // reallocation.
    std::string out(Utf8LengthOfUnits(units, count) + 1, '\0');
    char* end = EncodeUtf16AsUtf8(units, count, out.data());
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

}  // namespace idxfilter
