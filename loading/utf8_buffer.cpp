#include "loading/utf8_buffer.h"

#include <cstdint>
#include <cstring>

namespace idxfilter {
namespace {

std::size_t UnitLength(const char16_t* units) {
    std::size_t n = 0;
    while (units[n] != 0) ++n;
    return n;
}

}  // namespace

void AppendUnitsAsUtf8(const char16_t* units, std::size_t count, std::string& out) {
    // Whole texts reach hundreds of megabytes, where a worst-case
    // reservation would triple the memory an ASCII text needs: those are
    // sized exactly first. Short runs take the worst case and shrink.
    constexpr std::size_t kExactSizingFrom = 1 << 16;
    std::size_t length = 3 * count;
    if (count >= kExactSizingFrom) {
        length = count;
        for (std::size_t i = 0; i < count; ++i) length += (units[i] >= 0x80) + (units[i] >= 0x800);
    }
    std::size_t start = out.size();
    out.resize(start + length);
    char* p = out.data() + start;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned u = units[i];
        if (u < 0x80) {
            *p++ = char(u);
            // Four ASCII units at a time while they last.
            while (count - (i + 1) >= 4) {
                std::uint64_t four;
                std::memcpy(&four, units + i + 1, 8);
                if (four & 0xFF80FF80FF80FF80ull) break;
                for (int k = 1; k <= 4; ++k) *p++ = char(units[i + k]);
                i += 4;
            }
        } else if (u < 0x800) {
            *p++ = char(0xC0 | (u >> 6));
            *p++ = char(0x80 | (u & 0x3F));
        } else {
            *p++ = char(0xE0 | (u >> 12));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

Utf8Buffer::Utf8Buffer(const char16_t* units, bool terminated) : terminated(terminated) {
    if (units != nullptr) Append(units);
}

void Utf8Buffer::Append(const char16_t* units) { Append(units, UnitLength(units)); }

void Utf8Buffer::Append(const char16_t* units, std::size_t count) {
    const char16_t* zero = units;
    while (zero != units + count && *zero != 0) ++zero;
    AppendUnitsAsUtf8(units, static_cast<std::size_t>(zero - units), bytes);
    if (terminated) bytes.push_back('\0');
}

std::string Utf8Buffer::Str() const { return std::string(bytes.c_str()); }

}  // namespace idxfilter
