#include "loading/wide_buffer.h"

#include <cstdint>
#include <cstring>

#include "text/ascii.h"
#include "text/unavailable.h"
#include "text/utf8_decoding.h"

namespace idxfilter {

bool IsWellFormedUtf8(const char* begin, const char* end) {
    // ANSI text usually fails early, and ASCII is skipped a word at a time.
    begin += AsciiPrefixLength(begin, static_cast<std::size_t>(end - begin));
    return DecodeUtf8<true>(reinterpret_cast<const unsigned char*>(begin),
                            reinterpret_cast<const unsigned char*>(end), [](char16_t) {});
}

WideBuffer::WideBuffer(std::string_view text, bool terminated) : terminated(terminated) {
    if (text.empty()) text = "";
    const void* nul = std::memchr(text.data(), 0, text.size());
    const char* end = nul ? static_cast<const char*>(nul) : text.data() + text.size();
    units.reserve(static_cast<std::size_t>(end - text.data()) + 1);
    DecodeRange(text.data(), end);
}

void WideBuffer::Decode(const char* text) { DecodeRange(text, text + std::strlen(text)); }

void WideBuffer::DecodeRange(const char* begin, const char* end) {
    // Well-formed UTF-8 never yields more units than it has bytes, and each
    // replacement stands for at least one byte, so byte count plus one
    // bounds the growth; writing through a pointer avoids per-unit checks.
    std::size_t start = units.size();
    units.resize(start + static_cast<std::size_t>(end - begin) + 1);
    char16_t* out = units.data() + start;
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
            valid = false;
        begin = stretchEnd;
    }
    if (terminated) *out++ = 0;
    units.resize(static_cast<std::size_t>(out - units.data()));
}

const char16_t* WideBuffer::CStr() const {
    if (!terminated) ThrowUnavailable();
    return units.data();
}

}  // namespace idxfilter
