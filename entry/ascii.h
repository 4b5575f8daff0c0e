// Finding runs of ASCII quickly: most text, and nearly all RTF markup, is
// ASCII, and every conversion has a shortcut for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace idxfilter {

// The number of leading bytes of [p, p + n) below 0x80, examined eight at
// a time.
inline std::size_t AsciiPrefixLength(const char* p, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    return i;
}

inline bool IsAscii(const char* p, std::size_t n) { return AsciiPrefixLength(p, n) == n; }

}  // namespace idxfilter
