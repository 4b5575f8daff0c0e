#include "text/utf8_codec.h"

#include "text/ascii.h"

namespace idxfilter {
namespace {

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Writes the UTF-8 form of `c` (not below 0x80) at `p`, which has a byte
// of room beyond it; returns its end.
char* StoreCodePoint(char32_t c, char* p) {
    if (c < 0x10000) return StoreUtf8OfUnitAbove7F(static_cast<char16_t>(c), p);
    *p++ = char(0xF0 | (c >> 18));
    *p++ = char(0x80 | ((c >> 12) & 0x3F));
    *p++ = char(0x80 | ((c >> 6) & 0x3F));
    *p++ = char(0x80 | (c & 0x3F));
    return p;
}

}  // namespace

bool IsWellFormedUtf8(const char* begin, const char* end) {
    // ANSI text usually fails early, and ASCII is skipped a block at a time.
    begin += AsciiPrefixLength(begin, static_cast<std::size_t>(end - begin));
    return DecodeUtf8<true>(reinterpret_cast<const unsigned char*>(begin),
                            reinterpret_cast<const unsigned char*>(end), [](char16_t) {});
}

char16_t* DecodeUtf8ToUnits(const char* begin, const char* end, char16_t* out, bool& wellFormed) {
    // Stretches of ASCII are copied as they are; the usual two- and three-
    // byte forms are decoded here one by one; the first other sequence
    // sends the rest of its stretch of non-ASCII bytes to the full
    // decoder. An ASCII byte never continues a sequence and ends any
    // ill-formed one, so cutting there changes nothing.
    while (begin != end) {
        const auto* p = reinterpret_cast<const unsigned char*>(begin);
        if (p[0] < 0x80) {
            std::size_t ascii = WidenAsciiPrefix(begin, static_cast<std::size_t>(end - begin), out);
            out += ascii;
            begin += ascii;
            continue;
        }
        if (end - begin >= 3) {
            // Lead, second and third byte in one word, lead lowest.
            std::uint32_t word = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
            if ((word & 0xC0C0F0) == 0x8080E0 && (word & 0x0F) != 0) {  // E1 to EF
                *out++ = char16_t((word & 0x0F) << 12 | (word >> 2 & 0xFC0) | (word >> 16 & 0x3F));
                begin += 3;
                continue;
            }
            if ((word & 0xC0E0) == 0x80C0 && p[0] >= 0xC2) {  // C2 to DF
                *out++ = char16_t((word & 0x1F) << 6 | (word >> 8 & 0x3F));
                begin += 2;
                continue;
            }
        }
        const char* stretchEnd = begin;
        while (stretchEnd != end && static_cast<unsigned char>(*stretchEnd) >= 0x80) ++stretchEnd;
        if (!DecodeUtf8(p, reinterpret_cast<const unsigned char*>(stretchEnd),
                        [&out](char16_t unit) { *out++ = unit; }))
            wellFormed = false;
        begin = stretchEnd;
    }
    return out;
}

void AppendUnitsAsUtf8(const char16_t* units, std::size_t count, std::string& out) {
    // Sized exactly first (a worst-case reservation would triple what an
    // ASCII text needs, and the counting pass is cheap), with one byte to
    // spare for the four-byte stores of three-byte forms.
    std::size_t start = out.size();
    out.resize(start + Utf8LengthOfUnits(units, count) + 1);
    char* p = out.data() + start;
    for (std::size_t i = 0; i < count;) {
        std::size_t ascii = NarrowAsciiPrefix(units + i, count - i, p);
        p += ascii;
        i += ascii;
        for (; i < count && units[i] >= 0x80; ++i) p = StoreUtf8OfUnitAbove7F(units[i], p);
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

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
            p = StoreCodePoint(0x10000 + ((char32_t(u) - 0xD800) << 10) + (units[i++] - 0xDC00), p);
        } else {
            p = StoreCodePoint(kReplacementCharacter, p);
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
