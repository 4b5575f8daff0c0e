#include "loading/utf8_buffer.h"

#include <cstdint>
#include <cstring>

#include "text/ascii.h"

namespace idxfilter {
namespace {

std::size_t UnitLength(const char16_t* units) {
    std::size_t n = 0;
    while (units[n] != 0) ++n;
    return n;
}

}  // namespace

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

Utf8Buffer::Utf8Buffer(const char16_t* units, bool terminated) : terminated(terminated) {
    if (units != nullptr) Append(units);
}

void Utf8Buffer::Append(const char16_t* units) { Append(units, UnitLength(units)); }

void Utf8Buffer::Append(const char16_t* units, std::size_t count) {
    AppendUnitsAsUtf8(units, UnitsBeforeZero(units, count), bytes);
    if (terminated) bytes.push_back('\0');
}

std::string Utf8Buffer::Str() const { return std::string(bytes.c_str()); }

}  // namespace idxfilter
