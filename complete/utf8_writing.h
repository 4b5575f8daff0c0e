// Writing UTF-8: code points, UTF-16 units and input already in UTF-8,
// always well-formed (no surrogate code point is ever written).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace idxfilter::complete {

inline constexpr char32_t kReplacement = 0xFFFD;

// Appends the UTF-8 form of `c`; surrogates and values beyond U+10FFFF
// become U+FFFD.
inline void AppendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        return;
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
    char buffer[4];
    std::size_t n;
    if (c < 0x800) {
        buffer[0] = static_cast<char>(0xC0 | (c >> 6));
        buffer[1] = static_cast<char>(0x80 | (c & 0x3F));
        n = 2;
    } else if (c < 0x10000) {
        buffer[0] = static_cast<char>(0xE0 | (c >> 12));
        buffer[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buffer[2] = static_cast<char>(0x80 | (c & 0x3F));
        n = 3;
    } else {
        buffer[0] = static_cast<char>(0xF0 | (c >> 18));
        buffer[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        buffer[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buffer[3] = static_cast<char>(0x80 | (c & 0x3F));
        n = 4;
    }
    out.append(buffer, n);
}

// Appends UTF-16 units: pairs joined, unpaired surrogates as U+FFFD, zero
// units left out.
void AppendUtf16(std::string& out, const char16_t* units, std::size_t count);

// Appends bytes that should be UTF-8: each ill-formed sequence (surrogate
// forms included) becomes one U+FFFD, zero bytes are left out.
void AppendUtf8(std::string& out, std::string_view bytes);

// The length of the UTF-8 sequence that `lead` begins (1 for a byte that
// begins none), for counting characters of UTF-8 text.
inline std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0xC2) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return lead < 0xF5 ? 4 : 1;
}

// True when `text` is well-formed UTF-8 without surrogate forms.
bool IsStrictUtf8(std::string_view text);

}  // namespace idxfilter::complete
