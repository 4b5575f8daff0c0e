// Portable backend: code page 1252 as Windows converts it. Other code
// pages are reported unavailable (every conversion in them fails).
#include "platform/code_pages.h"

#include <atomic>

namespace idxfilter {
namespace {

constexpr unsigned kDefaultAnsiCodePage = 1252;

std::atomic<unsigned> ansiCodePage{kDefaultAnsiCodePage};

// Bytes 80 to 9F of code page 1252. The five bytes that the code page
// leaves undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of the same
// value, in both directions, as Windows maps them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Cp1252ToUnit(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kCp1252High[byte - 0x80] : char16_t(byte);
}

char UnitToCp1252(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return char(unit);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == unit) return char(0x80 + i);
    return '?';
}

unsigned Resolve(unsigned codePage) {
    return codePage == kAnsiCodePageAlias ? AnsiCodePage() : codePage;
}

}  // namespace

unsigned AnsiCodePage() { return ansiCodePage.load(std::memory_order_relaxed); }

bool IsAnsiCodePageAvailable(unsigned codePage) { return codePage == 1252; }

bool SetAnsiCodePage(unsigned codePage) {
    if (!IsAnsiCodePageAvailable(codePage)) return false;
    ansiCodePage.store(codePage, std::memory_order_relaxed);
    return true;
}

int MultiByteToWide(unsigned codePage, unsigned flags, const char* bytes, int byteCount,
                    char16_t* units, int unitCapacity) {
    if (Resolve(codePage) != 1252 || (flags & ~kStrictConversion) != 0) return 0;
    if (bytes == nullptr || byteCount <= 0 || unitCapacity < 0) return 0;
    if (unitCapacity == 0) return byteCount;
    if (unitCapacity < byteCount) return 0;
    for (int i = 0; i < byteCount; ++i) units[i] = Cp1252ToUnit(static_cast<unsigned char>(bytes[i]));
    return byteCount;
}

int WideToMultiByte(unsigned codePage, const char16_t* units, int unitCount, char* bytes,
                    int byteCapacity) {
    if (Resolve(codePage) != 1252) return 0;
    if (units == nullptr || unitCount <= 0 || byteCapacity < 0) return 0;
    if (byteCapacity == 0) return unitCount;
    if (byteCapacity < unitCount) return 0;
    for (int i = 0; i < unitCount; ++i) bytes[i] = UnitToCp1252(units[i]);
    return unitCount;
}

}  // namespace idxfilter
