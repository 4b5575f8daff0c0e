#include "cli/text_output.h"

#include <algorithm>
#include <memory>

#include "entry/ascii.h"

namespace idxfilter::cli {
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

// Writes the display UTF-8 of the units at `p`, which has room for three
// bytes a unit and one more, and returns its end.
char* EncodeDisplayUtf8(const char16_t* units, std::size_t count, char* p) {
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

}  // namespace

std::string Utf16ToDisplayUtf8(const char16_t* units, std::size_t count) {
    // At most three bytes a unit (a joined pair takes four for two units),
    // and one to spare; counted first so that the text is written without
    // reallocation.
    std::string out(Utf8LengthOfUnits(units, count) + 1, '\0');
    char* end = EncodeDisplayUtf8(units, count, out.data());
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

std::string Utf16ToLittleEndianBytes(const char16_t* units, std::size_t count) {
    std::string out(count * 2, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        out[2 * i] = char(units[i] & 0xFF);
        out[2 * i + 1] = char(units[i] >> 8);
    }
    return out;
}

void WriteUtf16(const char16_t* units, std::size_t count, bool utf8, std::FILE* out) {
    constexpr std::size_t kSlice = std::size_t{1} << 16;
    // One buffer for every slice, with room for three bytes a unit and one
    // more, left uninitialized: each slice is written before it is read.
    auto slice = std::make_unique_for_overwrite<char[]>(utf8 ? 3 * std::min(count, kSlice) + 1 : 0);
    while (count > 0) {
        std::size_t length = count < kSlice ? count : kSlice;
        // A pair is never cut in two: its halves would each become U+FFFD.
        if (length < count && IsHighSurrogate(units[length - 1])) --length;
        if (utf8) {
            char* end = EncodeDisplayUtf8(units, length, slice.get());
            std::fwrite(slice.get(), 1, static_cast<std::size_t>(end - slice.get()), out);
        } else {
            std::string bytes = Utf16ToLittleEndianBytes(units, length);
            std::fwrite(bytes.data(), 1, bytes.size(), out);
        }
        units += length;
        count -= length;
    }
}

}  // namespace idxfilter::cli
