#include "rtf/hex_number.h"

namespace idxfilter {
namespace {

int HexDigitValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsScanfSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

bool ScanHexNumber(const char* bytes, std::size_t count, std::uint32_t& value) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t n = 0;
    while (n < count && p[n] != 0) ++n;
    std::size_t i = 0;
    while (i < n && IsScanfSpace(p[i])) ++i;
    bool negative = false;
    if (i < n && (p[i] == '+' || p[i] == '-')) negative = p[i++] == '-';
    // "0x" counts as a prefix only when a digit follows it; otherwise the
    // 0 is the number and the x ends it.
    if (i + 2 < n && p[i] == '0' && (p[i + 1] | 0x20) == 'x' && HexDigitValue(p[i + 2]) >= 0) i += 2;
    std::uint32_t number = 0;
    std::size_t digits = 0;
    for (; i < n; ++i, ++digits) {
        int digit = HexDigitValue(p[i]);
        if (digit < 0) break;
        number = (number << 4) | static_cast<std::uint32_t>(digit);
    }
    if (digits == 0) return false;
    value = negative ? 0u - number : number;
    return true;
}

}  // namespace idxfilter
