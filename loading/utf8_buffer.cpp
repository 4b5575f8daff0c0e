#include "loading/utf8_buffer.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/utf8_codec.h"

namespace idxfilter {
namespace {

std::size_t UnitLength(const char16_t* units) {
    std::size_t n = 0;
    while (units[n] != 0) ++n;
    return n;
}

}  // namespace

std::size_t UnitsBeforeZero(const char16_t* units, std::size_t count) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= count; i += 8) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        if (int zeros = _mm_movemask_epi8(_mm_cmpeq_epi16(block, _mm_setzero_si128())))
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(zeros))) / 2;
    }
#endif
    while (i < count && units[i] != 0) ++i;
    return i;
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
