// Unit tests of the code-page layer. They hold for both backends: Windows
// builds run them under Wine against the system's services, which keeps
// the expectations honest; tests of SetAnsiCodePage skip there.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "loading/utf8_buffer.h"
#include "text/utf8_codec.h"
#include "platform/code_pages.h"
#include "tests/codepages/random_cases.h"

#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

// Counts the allocations of this test program, so that a test can check
// that conversions allocate nothing.
std::atomic<long> allocationCount{0};

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
// Not inlined: GCC would otherwise take the free() for a mismatch with new.
[[gnu::noinline]] void operator delete(void* memory) noexcept { std::free(memory); }
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace idxfilter {
namespace {

// Lenient or strict conversion to UTF-16; empty on failure. Checks that
// the size query agrees with the conversion and that a buffer one unit
// short fails.
std::u16string ToWide(unsigned codePage, const std::string& bytes, unsigned flags = 0) {
    int needed = MultiByteToWide(codePage, flags, bytes.data(), int(bytes.size()), nullptr, 0);
    std::u16string units(bytes.size() + 4, u'\0');
    int written = MultiByteToWide(codePage, flags, bytes.data(), int(bytes.size()), units.data(),
                                  int(units.size()));
    EXPECT_EQ(needed, written) << "size query of code page " << codePage;
    if (written > 1) {
        std::u16string small(written - 1, u'\0');
        EXPECT_EQ(0, MultiByteToWide(codePage, flags, bytes.data(), int(bytes.size()),
                                     small.data(), written - 1));
    }
    units.resize(std::max(written, 0));
    return units;
}

std::string ToBytes(unsigned codePage, const std::u16string& units) {
    int needed = WideToMultiByte(codePage, units.data(), int(units.size()), nullptr, 0);
    std::string bytes(2 * units.size() + 4, '\0');
    int written = WideToMultiByte(codePage, units.data(), int(units.size()), bytes.data(),
                                  int(bytes.size()));
    EXPECT_EQ(needed, written) << "size query of code page " << codePage;
    if (written > 1) {
        std::string small(written - 1, '\0');
        EXPECT_EQ(0, WideToMultiByte(codePage, units.data(), int(units.size()), small.data(),
                                     written - 1));
    }
    bytes.resize(std::max(written, 0));
    return bytes;
}

std::string Byte(int value) { return std::string(1, char(value)); }

// Restores the ANSI code page the test changed (portable backend only).
class AnsiCodePageScope {
public:
    AnsiCodePageScope() : saved_(AnsiCodePage()) {}
    ~AnsiCodePageScope() { SetAnsiCodePage(saved_); }

private:
    unsigned saved_;
};

bool PortableBackend() { return SetAnsiCodePage(AnsiCodePage()); }

constexpr unsigned kAnsiCodePages[] = {874, 932, 936, 949, 950, 1250, 1251,
                                       1252, 1253, 1254, 1255, 1256, 1257};
constexpr unsigned kDoubleByteCodePages[] = {932, 936, 949, 950, 1361, 10001, 10002, 10003, 10008, 20932};

// Every recorded code page: the Windows ANSI and OEM code pages, Johab,
// the symbol code page, the Mac code pages that RTF's character sets name,
// and the encodings of legacy plain text (ASMO-708, KOI8, ISO 8859,
// EUC-JP).
constexpr unsigned kRecordedCodePages[] = {
    1252,  42,    10000, 932,   949,   1361,  936,   950,   1253,  1254,  1255,  1256,
    1257,  1251,  874,   1250,  437,   850,   1258,  10001, 10002, 10003, 10008, 10004,
    10005, 10006, 10007, 10021, 10029, 10079, 10081, 852,   866,   737,   775,   855,
    857,   860,   861,   862,   863,   864,   865,   869,   720,   708,   20866, 21866,
    28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603, 28605, 20932};

struct SingleByteCodePage {
    unsigned codePage;
    std::vector<int> undefined;  // bytes strict conversion rejects
    std::vector<int> notAscii = {};  // bytes below 80 that are not themselves
};

const SingleByteCodePage kSingleByteCodePages[] = {
    {1252, {}},
    {10000, {0xF0}},
    {1250, {}},
    {1251, {}},
    {1253, {0xAA, 0xD2, 0xFF}},
    {1254, {}},
    {1255, {0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xFB, 0xFC, 0xFF}},
    {1256, {}},
    {1257, {0xA1, 0xA5}},
    {874, {0xDB, 0xDC, 0xDD, 0xDE, 0xFC, 0xFD, 0xFE, 0xFF}},
    {437, {}},
    {850, {}},
    {1258, {}},
    {10004, {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAD, 0xAE, 0xAF,
             0xBA, 0xBC, 0xBD, 0xBE, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xFB, 0xFC, 0xFD}},
    {10005, {0xA0, 0xA1, 0xA2, 0xA3, 0xA5, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
             0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD,
             0xBE, 0xBF, 0xC0, 0xC2, 0xC3, 0xC4, 0xC7, 0xC8, 0xD6, 0xD7, 0xFB, 0xFC, 0xFD, 0xFE,
             0xFF}},
    {10006, {0xFF}},
    {10007, {}},
    // Mac Thai: the system's table gives 0000 for DEL, as for FF.
    {10021, {}, {0x7F}},
    {10029, {}},
    {10079, {0xF0}},
    {10081, {0xF0, 0xF5}},
    {852, {}},
    {866, {}},
    {737, {}},
    {775, {}},
    {855, {}},
    {857, {0xD5, 0xE7, 0xF2}},
    {860, {}},
    {861, {}},
    {862, {}},
    {863, {}},
    {864, {0xA6, 0xA7, 0xFF}},
    {865, {}},
    {869, {}},
    {720, {}},
    {708, {0xA0, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8}},
    {20866, {}},
    {21866, {}},
    {28592, {}},
    {28593, {0xA5, 0xAE, 0xBE, 0xC3, 0xD0, 0xE3, 0xF0}},
    {28594, {}},
    {28595, {}},
    {28596, {0xA1, 0xA2, 0xA3, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAE, 0xAF, 0xB0, 0xB1,
             0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBC, 0xBD, 0xBE, 0xC0, 0xDB,
             0xDC, 0xDD, 0xDE, 0xDF, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC,
             0xFD, 0xFE, 0xFF}},
    {28597, {0xA4, 0xA5, 0xAA, 0xAE, 0xD2, 0xFF}},
    {28598, {0xA1, 0xBF, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB,
             0xCC, 0xCD, 0xCE, 0xCF, 0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9,
             0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF}},
    {28599, {}},
    {28603, {}},
    {28605, {}},
};

TEST(CodePages, EveryCodePageIsAvailable) {
    for (unsigned codePage : kRecordedCodePages) {
        char16_t unit = 0;
        EXPECT_EQ(MultiByteToWide(codePage, 0, "\x1F", 1, &unit, 1), 1) << codePage;
        EXPECT_EQ(unit, u'\x1F') << codePage;
        char byte = 0;
        EXPECT_EQ(WideToMultiByte(codePage, u"\x1F", 1, &byte, 1), 1) << codePage;
        EXPECT_EQ(byte, '\x1F') << codePage;
    }
}

// Every byte of every single-byte code page: one unit each, ASCII as
// itself, strict conversion rejecting exactly the undefined bytes, and the
// defined bytes of ANSI code pages converting back to themselves.
TEST(SingleByteCodePages, EveryByte) {
    for (const auto& page : kSingleByteCodePages) {
        bool ansi = std::count(std::begin(kAnsiCodePages), std::end(kAnsiCodePages),
                               page.codePage) != 0;
        for (int byte = 0; byte < 256; ++byte) {
            SCOPED_TRACE("code page " + std::to_string(page.codePage) + ", byte " +
                         std::to_string(byte));
            std::u16string lenient = ToWide(page.codePage, Byte(byte));
            ASSERT_EQ(lenient.size(), 1u);
            bool notAscii = std::count(page.notAscii.begin(), page.notAscii.end(), byte) != 0;
            if (byte < 0x80 && !notAscii) {
                EXPECT_EQ(lenient[0], char16_t(byte));
            }
            bool undefined = std::count(page.undefined.begin(), page.undefined.end(), byte) != 0;
            std::u16string strict = ToWide(page.codePage, Byte(byte), kStrictConversion);
            EXPECT_EQ(strict, undefined ? u"" : lenient);
            if (ansi && !undefined) {
                EXPECT_EQ(ToBytes(page.codePage, lenient), Byte(byte));
            }
        }
    }
}

// The table that lets the loader skip the conversion calls must be the
// conversion itself, byte by byte and inside any text.
TEST(SingleByteCodePages, UnitTableIsTheConversionInAnyContext) {
    char16_t units[256];
    for (const auto& page : kSingleByteCodePages) {
        SCOPED_TRACE("code page " + std::to_string(page.codePage));
#ifdef _WIN32
        EXPECT_FALSE(SingleByteUnits(page.codePage, units));
#else
        ASSERT_TRUE(SingleByteUnits(page.codePage, units));
        std::string every;
        std::u16string expected;
        for (int byte = 1; byte < 256; ++byte) {
            ASSERT_EQ(ToWide(page.codePage, Byte(byte)), std::u16string(1, units[byte])) << byte;
            every += Byte(byte);
            expected += units[byte];
        }
        EXPECT_EQ(ToWide(page.codePage, every), expected);
        EXPECT_EQ(ToWide(page.codePage, std::string(every.rbegin(), every.rend())),
                  std::u16string(expected.rbegin(), expected.rend()));
#endif
    }
    for (unsigned codePage : {932u, 936u, 949u, 950u, 1361u, 10001u, 10002u, 10003u, 10008u, 20932u, 12345u})
        EXPECT_FALSE(SingleByteUnits(codePage, units)) << codePage;
}

TEST(SingleByteCodePages, KnownCharacters) {
    struct Case {
        unsigned codePage;
        int byte;
        char16_t unit;
    };
    const Case cases[] = {
        {1252, 0x80, 0x20AC}, {1252, 0x9F, 0x0178}, {1252, 0xE9, 0x00E9}, {1251, 0xC0, 0x0410},
        {1253, 0xC1, 0x0391}, {1255, 0xE0, 0x05D0}, {1256, 0xC7, 0x0627}, {874, 0xA1, 0x0E01},
        {1250, 0x8A, 0x0160}, {1254, 0xD0, 0x011E}, {1257, 0xC0, 0x0104}, {437, 0x80, 0x00C7},
        {850, 0x80, 0x00C7},  {10000, 0x80, 0x00C4}, {10000, 0xF0, 0xF8FF},
        // Vietnamese: precomposed letters and the combining tone marks,
        // each byte by itself.
        {1258, 0xC3, 0x0102}, {1258, 0xD5, 0x01A0}, {1258, 0xDD, 0x01AF}, {1258, 0xCC, 0x0300},
        {1258, 0xD2, 0x0309}, {1258, 0xDE, 0x0303}, {1258, 0xEC, 0x0301}, {1258, 0xF2, 0x0323},
        {1258, 0xFE, 0x20AB}, {1258, 0x80, 0x20AC},
        // Mac: Arabic, Hebrew, Greek, Cyrillic, Thai, Central European,
        // Icelandic, Turkish (the system's tables, whose Mac Roman family
        // has an ohm sign where later Apple tables have omega).
        {10004, 0xC7, 0x0627}, {10004, 0x80, 0x00C4}, {10005, 0xE0, 0x05D0},
        {10006, 0xE1, 0x03B1}, {10006, 0x9C, 0x00AD}, {10007, 0x80, 0x0410},
        {10007, 0xDF, 0x044F}, {10021, 0xA1, 0x0E01}, {10029, 0x81, 0x0100},
        {10079, 0xA0, 0x00DD}, {10079, 0xBD, 0x2126}, {10081, 0xDA, 0x011E},
        // OEM: Central European, Cyrillic, Greek, Baltic, Turkish,
        // Portuguese, Icelandic, Hebrew, Canadian French, Arabic, Nordic.
        {852, 0xA5, 0x0105}, {866, 0x80, 0x0410}, {866, 0xF0, 0x0401}, {737, 0x80, 0x0391},
        {775, 0x80, 0x0106}, {855, 0x80, 0x0452}, {857, 0xA6, 0x011E}, {860, 0x84, 0x00E3},
        {861, 0x8B, 0x00D0}, {862, 0x80, 0x05D0}, {863, 0x84, 0x00C2}, {864, 0x25, 0x0025},
        {865, 0x9B, 0x00F8}, {869, 0xA4, 0x0391}, {720, 0xA0, 0x0628}, {720, 0xE0, 0x0636},
        // Legacy plain text: ASMO-708, KOI8-R and -U, ISO 8859-2 to -15.
        {708, 0xC7, 0x0627}, {20866, 0xC1, 0x0430}, {20866, 0xB3, 0x0401}, {21866, 0xA4, 0x0454},
        {28592, 0xB1, 0x0105}, {28593, 0xA6, 0x0124}, {28594, 0xA1, 0x0104}, {28595, 0xB0, 0x0410},
        {28596, 0xC7, 0x0627}, {28597, 0xE1, 0x03B1}, {28598, 0xE0, 0x05D0}, {28599, 0xD0, 0x011E},
        {28603, 0xC0, 0x0104}, {28605, 0xA4, 0x20AC},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToWide(c.codePage, Byte(c.byte)), std::u16string(1, c.unit))
            << "code page " << c.codePage << ", byte " << c.byte;
}

// 81, 8D, 8F, 90 and 9D are undefined in 1252 yet convert, both ways, to
// and from the C1 controls of the same value, strictly too.
TEST(SingleByteCodePages, Cp1252UndefinedBytesAreC1Controls) {
    for (int byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(ToWide(1252, Byte(byte), kStrictConversion), std::u16string(1, char16_t(byte)));
        EXPECT_EQ(ToBytes(1252, std::u16string(1, char16_t(byte))), Byte(byte));
    }
}

// Code page 42 maps bytes from 20 up to the private-use area F020-F0FF,
// refuses strict conversion, and converts back only those units and the
// controls; its size query counts the units it cannot convert.
TEST(SymbolCodePage, ConvertsLenientlyOnly) {
    EXPECT_EQ(ToWide(42, "\x1F" "A\xFF"), u"\x001F\xF041\xF0FF");
    EXPECT_EQ(ToWide(42, "A", kStrictConversion), u"");
    EXPECT_EQ(ToBytes(42, u"\xF041\x0009"), "A\t");
    const char16_t unconvertible[] = u"AB";
    char bytes[4];
    EXPECT_EQ(WideToMultiByte(42, unconvertible, 2, nullptr, 0), 2);
    EXPECT_EQ(WideToMultiByte(42, unconvertible, 2, bytes, 4), 0);
}

TEST(DoubleByteCodePages, KnownCharacters) {
    struct Case {
        unsigned codePage;
        const char* bytes;
        char16_t unit;
    };
    const Case cases[] = {
        {932, "\x82\xA0", 0x3042},  {932, "\x92\x86", 0x4E2D}, {936, "\xB0\xA1", 0x554A},
        {936, "\xD6\xD0", 0x4E2D},  {949, "\xB0\xA1", 0xAC00}, {950, "\xA4\x40", 0x4E00},
        {1361, "\x88\x61", 0xAC00},
        // The Mac CJK code pages: Shift JIS, Big5, the Korean and the
        // Simplified Chinese double-byte sets.
        {10001, "\x82\xA0", 0x3042}, {10001, "\x92\x86", 0x4E2D}, {10002, "\xA4\x40", 0x4E00},
        {10003, "\xB0\xA1", 0xAC00}, {10008, "\xB0\xA1", 0x554A}, {10008, "\xD6\xD0", 0x4E2D},
        // EUC-JP, half-width katakana after 8E included.
        {20932, "\xA4\xA2", 0x3042}, {20932, "\xC3\xE6", 0x4E2D}, {20932, "\x8E\xB1", 0xFF71},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("code page " + std::to_string(c.codePage));
        EXPECT_EQ(ToWide(c.codePage, c.bytes, kStrictConversion), std::u16string(1, c.unit));
        EXPECT_EQ(ToBytes(c.codePage, std::u16string(1, c.unit)), c.bytes);
    }
    EXPECT_EQ(ToWide(932, "\xB1"), u"\xFF71");  // half-width katakana: one byte
    EXPECT_EQ(ToWide(936, "\x80"), u"\x20AC");
}

// How invalid sequences convert leniently: a lead byte always takes the
// next byte unless that is 00, yielding the code page's default character
// for an undefined pair; a lead byte at the end yields it too. Strict
// conversion fails on all of them.
TEST(DoubleByteCodePages, InvalidSequences) {
    struct Case {
        unsigned codePage;
        std::string bytes;
        std::u16string lenient;
    };
    const Case cases[] = {
        {932, "\x82", u"\x30FB"},
        {932, "a\x82", u"a\x30FB"},
        {932, "\x81\x20" "a", u"\x30FB" "a"},
        {932, std::string("\x82\0a", 3), std::u16string(u"\x30FB\0a", 3)},
        {932, "\xA0", u"\xF8F0"},
        {932, "\xFD", u"\xF8F1"},
        {936, "\x81", u"?"},
        {936, "\x81\x20", u"?"},
        {936, "\xFF", u"\xF8F5"},
        {949, "\x81\x20\xFE", u"??"},
        {950, "\x81\x20", u"?"},
        {1361, "\x84\x20", u"?"},
        {1361, std::string("\x84\0", 2), std::u16string(u"?\0", 2)},
        {10001, "\x82", u"\x30FB"},
        {10001, "\x81\x20" "a", u"\x30FB" "a"},
        {10002, "\xA4", u"?"},
        {10003, "\xB0\x20", u"?"},
        {10008, std::string("\xB0\0", 2), std::u16string(u"?\0", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("code page " + std::to_string(c.codePage));
        EXPECT_EQ(ToWide(c.codePage, c.bytes), c.lenient);
        EXPECT_EQ(ToWide(c.codePage, c.bytes, kStrictConversion), u"");
    }
}

// Every two-byte input of every double-byte code page: a strict conversion
// either fails or agrees with the lenient one, and a lenient one yields one
// unit for a lead byte and a following byte other than 00, two otherwise.
TEST(DoubleByteCodePages, EveryPairConvertsConsistently) {
    for (unsigned codePage : kDoubleByteCodePages) {
        int pairs = 0;
        for (int value = 0; value < 0x10000; ++value) {
            char bytes[2] = {char(value >> 8), char(value & 0xFF)};
            char16_t lenient[4], strict[4];
            int lenientCount = MultiByteToWide(codePage, 0, bytes, 2, lenient, 4);
            int strictCount = MultiByteToWide(codePage, kStrictConversion, bytes, 2, strict, 4);
            ASSERT_TRUE(lenientCount == 1 || lenientCount == 2) << codePage << " " << value;
            if (lenientCount == 1) ++pairs;
            if (strictCount != 0) {
                ASSERT_EQ(strictCount, lenientCount) << codePage << " " << value;
                ASSERT_EQ(std::u16string(strict, strictCount),
                          std::u16string(lenient, lenientCount));
            }
        }
        EXPECT_GT(pairs, 60 * 190) << "code page " << codePage;
    }
}

TEST(ToBytes, BestFitAndDefaultCharacter) {
    struct Case {
        unsigned codePage;
        std::u16string units;
        std::string bytes;
    };
    const Case cases[] = {
        {1252, u"\x0101", "a"},
        {1252, u"\x4E2D", "?"},
        {1252, u"\x3000\xFF21", " A"},
        {1252, u"\x20AC\x2018", "\x80\x91"},
        {1250, u"\x0101", "a"},
        {1253, u"\x0386", "\xA2"},
        {932, u"\x3042\x4E2D", "\x82\xA0\x92\x86"},
        {932, u"\xFF61\x00A5\x00E9", "\xA1\\e"},
        {936, u"\x20AC\x4E2D", "\x80\xD6\xD0"},
        {949, u"\x20AC", "\xA2\xE6"},
        {874, u"\x0E01\x20AC", "\xA1\x80"},
        // Surrogates convert unit by unit, paired or not.
        {1252, u"\xD83D\xDE00", "??"},
        {1252, u"\xDC00" "a\xD800", "?a?"},
        {932, u"\xD800\xDC00", "??"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToBytes(c.codePage, c.units), c.bytes) << "code page " << c.codePage;
}

TEST(Conventions, FailuresReturnZero) {
    const char bytes[] = "abc";
    const char16_t units[] = u"abc";
    char16_t wide[8];
    char narrow[8];
    for (unsigned codePage : {12345u, 99u, 1200u}) {
        EXPECT_EQ(MultiByteToWide(codePage, 0, bytes, 3, wide, 8), 0) << codePage;
        EXPECT_EQ(MultiByteToWide(codePage, 0, bytes, 3, nullptr, 0), 0) << codePage;
        EXPECT_EQ(WideToMultiByte(codePage, units, 3, narrow, 8), 0) << codePage;
    }
    for (unsigned codePage : {1252u, 932u}) {
        EXPECT_EQ(MultiByteToWide(codePage, 0, bytes, 0, wide, 8), 0);
        EXPECT_EQ(MultiByteToWide(codePage, 0, bytes, 3, wide, 2), 0);
        EXPECT_EQ(MultiByteToWide(codePage, 0, bytes, 3, wide, 3), 3);
        EXPECT_EQ(WideToMultiByte(codePage, units, 0, narrow, 8), 0);
        EXPECT_EQ(WideToMultiByte(codePage, units, 3, narrow, 2), 0);
        EXPECT_EQ(WideToMultiByte(codePage, units, 3, narrow, 3), 3);
    }
    // The system reads a negative count as "up to the terminator"; the
    // portable backend, never given one, converts nothing.
    if (PortableBackend()) {
        EXPECT_EQ(MultiByteToWide(1252, 0, bytes, -1, wide, 8), 0);
        EXPECT_EQ(WideToMultiByte(1252, units, -1, narrow, 8), 0);
    }
    // A double-byte character does not fit in the last byte.
    EXPECT_EQ(WideToMultiByte(932, u"a\x3042", 2, narrow, 2), 0);
}

// Once a code page has been used, converting with it allocates nothing.
TEST(Conventions, ConversionsDoNotAllocate) {
    std::string bytes = "caf\xE9 \x82\xA0\x81";
    std::u16string units = u"caf\x00E9 \x3042\x4E2D\xD800";
    char16_t wide[32];
    char narrow[32];
    auto ConvertAll = [&] {
        for (unsigned codePage : {1252u, 932u, 42u, kAnsiCodePageAlias}) {
            for (unsigned flags : {0u, kStrictConversion}) {
                MultiByteToWide(codePage, flags, bytes.data(), int(bytes.size()), nullptr, 0);
                MultiByteToWide(codePage, flags, bytes.data(), int(bytes.size()), wide, 32);
            }
            WideToMultiByte(codePage, units.data(), int(units.size()), nullptr, 0);
            WideToMultiByte(codePage, units.data(), int(units.size()), narrow, 32);
        }
    };
    ConvertAll();
    long before = allocationCount.load();
    ConvertAll();
    EXPECT_EQ(allocationCount.load(), before);
}

TEST(AnsiCodePage, AcceptsExactlyTheAnsiCodePages) {
    if (!PortableBackend()) GTEST_SKIP() << "the system decides the ANSI code page";
    AnsiCodePageScope scope;
    EXPECT_EQ(AnsiCodePage(), 1252u);
    for (unsigned codePage : kAnsiCodePages) {
        EXPECT_TRUE(IsAnsiCodePageAvailable(codePage)) << codePage;
        EXPECT_TRUE(SetAnsiCodePage(codePage)) << codePage;
        EXPECT_EQ(AnsiCodePage(), codePage);
    }
    for (unsigned codePage : {0u, 42u, 437u, 850u, 1361u, 10000u, 1258u, 65001u, 1200u}) {
        EXPECT_FALSE(IsAnsiCodePageAvailable(codePage)) << codePage;
        EXPECT_FALSE(SetAnsiCodePage(codePage)) << codePage;
        EXPECT_EQ(AnsiCodePage(), 1257u);
    }
}

// Recording more code pages does not make more of them ANSI code pages:
// that list is the one Windows' locales use, as before.
TEST(AnsiCodePage, OtherRecordedCodePagesAreNotAnsiCodePages) {
    if (!PortableBackend()) GTEST_SKIP() << "the system decides the ANSI code page";
    AnsiCodePageScope scope;
    ASSERT_TRUE(SetAnsiCodePage(1252));
    for (unsigned codePage : kRecordedCodePages) {
        bool ansi = std::count(std::begin(kAnsiCodePages), std::end(kAnsiCodePages), codePage) != 0;
        EXPECT_EQ(IsAnsiCodePageAvailable(codePage), ansi) << codePage;
        if (!ansi) {
            EXPECT_FALSE(SetAnsiCodePage(codePage)) << codePage;
        }
    }
    EXPECT_EQ(AnsiCodePage(), 1252u);
}

TEST(AnsiCodePage, AliasFollowsTheCurrentAnsiCodePage) {
    if (!PortableBackend()) GTEST_SKIP() << "the system decides the ANSI code page";
    AnsiCodePageScope scope;
    ASSERT_TRUE(SetAnsiCodePage(932));
    EXPECT_EQ(ToWide(kAnsiCodePageAlias, "\x82\xA0"), u"\x3042");
    EXPECT_EQ(ToWide(kAnsiCodePageAlias, "\x82", kStrictConversion), u"");
    EXPECT_EQ(ToBytes(kAnsiCodePageAlias, u"\x3042"), "\x82\xA0");
    ASSERT_TRUE(SetAnsiCodePage(1251));
    EXPECT_EQ(ToWide(kAnsiCodePageAlias, "\xC0"), u"\x0410");
    EXPECT_EQ(ToBytes(kAnsiCodePageAlias, u"\x0410"), "\xC0");
}

// Threads converting through the alias while another switches the ANSI
// code page see one of the two code pages for each call, never a mixture.
TEST(AnsiCodePage, SwitchingWhileConverting) {
    if (!PortableBackend()) GTEST_SKIP() << "the system decides the ANSI code page";
    AnsiCodePageScope scope;
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            char16_t units[2];
            while (!stop.load()) {
                int count = MultiByteToWide(kAnsiCodePageAlias, 0, "\x82\xA0", 2, units, 2);
                bool as1252 = count == 2 && units[0] == 0x201A && units[1] == 0x00A0;
                bool as932 = count == 1 && units[0] == 0x3042;
                if (!as1252 && !as932) ++bad;
            }
        });
    for (int i = 0; i < 2000; ++i) SetAnsiCodePage(i % 2 ? 932 : 1252);
    stop = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(bad.load(), 0);
}

// The characters of a code page that a strict conversion takes by
// themselves: single bytes other than 00 and lead-trail pairs. All bytes
// but 00 for a code page that converts only leniently.
std::vector<std::string> StrictCharacters(unsigned codePage) {
    std::vector<std::string> characters;
    char16_t units[2];
    for (int first = 1; first < 256; ++first) {
        std::string one = Byte(first);
        if (MultiByteToWide(codePage, kStrictConversion, one.data(), 1, units, 2) == 1)
            characters.push_back(one);
        for (int second = 1; second < 256; ++second) {
            std::string two = one + Byte(second);
            if (MultiByteToWide(codePage, kStrictConversion, two.data(), 2, units, 2) == 1)
                characters.push_back(two);
        }
    }
    if (characters.empty())
        for (int byte = 1; byte < 256; ++byte) characters.push_back(Byte(byte));
    return characters;
}

// Text in every code page reaches UTF-8 by one road, which must be the
// conversion to UTF-16 cut at its first 0 unit and encoded unit by unit,
// failing exactly when that fails and then leaving the string as it was.
// Random byte strings of every code page; long texts of its characters
// (past the appender's block) alone, with a 0 byte near the end and with a
// random string after; texts of ASCII runs of every length up to 40
// between its characters, so that the ASCII shortcuts end in every way;
// and texts past the Win32 backend's slices.
namespace road {

bool TwoSteps(unsigned codePage, unsigned flags, const std::string& bytes, std::string& out) {
    if (bytes.empty()) return true;
    std::vector<char16_t> units(bytes.size());
    int written = MultiByteToWide(codePage, flags, bytes.data(), int(bytes.size()), units.data(), int(units.size()));
    if (written <= 0) return false;
    AppendUnitsAsUtf8(units.data(), UnitsBeforeZero(units.data(), std::size_t(written)), out);
    return true;
}

void Check(unsigned codePage, const std::string& input) {
    for (unsigned flags : {0u, kStrictConversion}) {
        std::string expected = "before", got = "before";
        bool converts = TwoSteps(codePage, flags, input, expected);
        bool appended = AppendCodePageAsUtf8(codePage, flags, input, got);
        ASSERT_EQ(appended, converts) << "flags " << flags << ", " << input.size() << " bytes";
        ASSERT_EQ(got, expected) << "flags " << flags << ", " << input.size() << " bytes";
        // Converted in its own buffer, with capacities from too small for
        // the result to ample, or left as it was on failure.
        for (std::size_t spare : {std::size_t{0}, input.size() / 8, 2 * input.size() + 8}) {
            std::string text = input;
            text.reserve(input.size() + spare);
            bool converted = ConvertCodePageToUtf8(codePage, flags, text);
            ASSERT_EQ(converted, converts) << "flags " << flags << ", spare " << spare;
            ASSERT_EQ(text, converts ? expected.substr(6) : input) << "flags " << flags << ", spare " << spare;
        }
    }
}

std::string AsciiRunsBetween(codepage_cases::Random& random, const std::vector<std::string>& characters,
                             std::size_t length) {
    std::string text;
    while (text.size() < length) {
        for (uint32_t n = random.Range(0, 40); n > 0; --n) text += char(random.Range(0x20, 0x7E));
        for (uint32_t n = random.Range(1, 4); n > 0; --n)
            text += characters[random.Range(0, uint32_t(characters.size() - 1))];
    }
    return text;
}

}  // namespace road

TEST(Utf8Conversion, IsTheConversionToUnitsEncoded) {
    using namespace codepage_cases;
    Random random(kSeed);
    for (unsigned codePage : kCodePages) {
        SCOPED_TRACE("code page " + std::to_string(codePage));
        std::vector<std::string> characters = StrictCharacters(codePage);
        for (int n = 0; n < 2000; ++n) {
            std::vector<char> piece = RandomBytes(random);
            std::string bytes(piece.begin(), piece.end());
            ASSERT_NO_FATAL_FAILURE(road::Check(codePage, bytes));
            if (n % 100 != 0) continue;
            std::string text;
            while (text.size() < 1000) text += characters[random.Range(0, uint32_t(characters.size() - 1))];
            ASSERT_NO_FATAL_FAILURE(road::Check(codePage, text));
            ASSERT_NO_FATAL_FAILURE(road::Check(codePage, text + std::string("a\0b", 3)));
            ASSERT_NO_FATAL_FAILURE(road::Check(codePage, text + bytes));
            std::string mixed = road::AsciiRunsBetween(random, characters, 1000);
            ASSERT_NO_FATAL_FAILURE(road::Check(codePage, mixed));
            ASSERT_NO_FATAL_FAILURE(road::Check(codePage, mixed + std::string("\0", 1) + mixed));
        }
        // Past the slices of 64 KiB, with and without bytes a slice may end at.
        std::string longText = road::AsciiRunsBetween(random, characters, 200000);
        ASSERT_NO_FATAL_FAILURE(road::Check(codePage, longText));
        std::string noCut;
        while (noCut.size() < 150000) noCut += characters[random.Range(0, uint32_t(characters.size() - 1))];
        ASSERT_NO_FATAL_FAILURE(road::Check(codePage, noCut + "." + noCut));
    }
}

TEST(Utf8Conversion, EndsAtTheFirstZeroUnitAndRefusesWhatItCannotConvert) {
    struct Case {
        unsigned codePage;
        unsigned flags;
        std::string bytes;
        bool converts;
        std::string utf8;
    };
    const Case cases[] = {
        {1252, 0, "caf\xE9", true, "caf\xC3\xA9"},
        {1252, 0, std::string("caf\xE9\0\xE9tail", 9), true, "caf\xC3\xA9"},
        {1252, 0, std::string("\0abc", 4), true, ""},
        {1252, 0, "", true, ""},
        {1252, 0x10, "abc", false, ""},
        {12345, 0, "abc", false, ""},
        {42, kStrictConversion, "abc", false, ""},
        // The strict conversion refuses an invalid byte after the 0 byte too.
        {932, kStrictConversion, std::string("ab\0\x82", 4), false, ""},
        {932, 0, std::string("ab\0\x82", 4), true, "ab"},
        {932, kStrictConversion, "\x82\xA0" "a", true, "\xE3\x81\x82" "a"},
    };
    for (const Case& c : cases) {
        std::string out = "x";
        EXPECT_EQ(AppendCodePageAsUtf8(c.codePage, c.flags, c.bytes, out), c.converts) << c.codePage << " " << c.bytes;
        EXPECT_EQ(out, "x" + c.utf8) << c.codePage << " " << c.bytes;
    }
}

#ifndef _WIN32
// Inputs that end right before an unreadable page: conversion reads no
// byte past the input, whatever the input ends with.
TEST(Bounds, ReadsNothingPastTheInput) {
    long pageSize = sysconf(_SC_PAGESIZE);
    auto* memory = static_cast<char*>(mmap(nullptr, 2 * pageSize, PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(memory, MAP_FAILED);
    ASSERT_EQ(mprotect(memory + pageSize, pageSize, PROT_NONE), 0);
    char* end = memory + pageSize;
    char16_t units[4];
    for (unsigned codePage : {932u, 936u, 949u, 950u, 1361u, 10001u, 10002u, 10003u, 10008u, 20932u, 1252u, 42u}) {
        for (int last = 0; last < 256; ++last) {
            end[-2] = 'a';
            end[-1] = char(last);
            for (int length : {1, 2}) {
                for (unsigned flags : {0u, kStrictConversion}) {
                    MultiByteToWide(codePage, flags, end - length, length, nullptr, 0);
                    MultiByteToWide(codePage, flags, end - length, length, units, 4);
                }
            }
        }
    }
    const auto* unitEnd = reinterpret_cast<const char16_t*>(end);
    char bytes[8];
    for (unsigned codePage : {932u, 1252u, 42u}) {
        WideToMultiByte(codePage, unitEnd - 1, 1, nullptr, 0);
        WideToMultiByte(codePage, unitEnd - 1, 1, bytes, 8);
    }
    munmap(memory, 2 * pageSize);
}
#endif

}  // namespace
}  // namespace idxfilter
