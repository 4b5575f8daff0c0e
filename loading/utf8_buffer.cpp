#include "loading/utf8_buffer.h"

#include <cstdint>
#include <cstring>

#include "text/ascii.h"
#include "text/utf8_codec.h"

namespace idxfilter {
namespace {

std::size_t UnitLength(const char16_t* units) {
    std::size_t n = 0;
    while (units[n] != 0) ++n;
    return n;
}

}  // namespace

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
