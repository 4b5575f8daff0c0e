#include <gtest/gtest.h>

#include "loading/ansi_buffer.h"
#include "tests/reference/ansi_wide_buffer.h"
#include "loading/utf8_buffer.h"
#include "platform/code_pages.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::Units;

std::u16string UnitsOf(const AnsiWideBuffer& buffer) {
    return std::u16string(buffer.Units().begin(), buffer.Units().end());
}

TEST(Utf8Buffer, EncodesEachUnitByItself) {
    struct Case {
        std::u16string units;
        std::string bytes;
    } cases[] = {
        {Units({0x41, 0xE9, 0x20AC}), Bytes({0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC})},
        {Units({0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}),
         Bytes({0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF})},
        {Units({0xD83D, 0xDE00}), Bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80})},
        {Units({0x41, 0, 0x42}), "A"},
        {u"", ""},
    };
    for (const Case& c : cases) {
        std::u16string units = c.units + u'\0';
        Utf8Buffer plain(units.data(), false);
        EXPECT_EQ(Hex(plain.Bytes()), Hex(c.bytes));
        Utf8Buffer terminated(units.data(), true);
        EXPECT_EQ(Hex(terminated.Bytes()), Hex(c.bytes + '\0'));
        EXPECT_EQ(terminated.Str(), c.bytes);
    }
}

TEST(Utf8Buffer, NullUnitsGiveNoBytesEvenWhenTerminated) {
    Utf8Buffer buffer(nullptr, true);
    EXPECT_TRUE(buffer.Bytes().empty());
}

TEST(Utf8Buffer, AppendAddsTerminatorEachTime) {
    Utf8Buffer buffer(true);
    buffer.Append(u"a");
    buffer.Append(u"b");
    EXPECT_EQ(Hex(buffer.Bytes()), Hex(Bytes({'a', 0, 'b', 0})));
}

// Bytes 80 to 9F of code page 1252 as Windows converts them; the five
// undefined bytes map to the C1 controls of the same value.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

TEST(AnsiWideBuffer, ConvertsEveryByteOfCodePage1252) {
    REQUIRE_ANSI_CODE_PAGE(1252);
    for (int b = 1; b < 256; ++b) {
        AnsiWideBuffer buffer(std::string(1, char(b)), true);
        char16_t expected = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
        EXPECT_EQ(Hex(UnitsOf(buffer)), Hex(std::u16string{expected, 0})) << b;
    }
}

TEST(AnsiBuffer, ConvertsEveryCharacterOfCodePage1252Back) {
    REQUIRE_ANSI_CODE_PAGE(1252);
    for (int b = 1; b < 256; ++b) {
        char16_t unit = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
        char16_t units[2] = {unit, 0};
        AnsiBuffer buffer(units, true);
        EXPECT_EQ(Hex(buffer.Str()), Hex(std::string(1, char(b)))) << b;
    }
}

TEST(AnsiWideBuffer, ConvertsUpToFirstNul) {
    REQUIRE_ANSI_CODE_PAGE(1252);
    AnsiWideBuffer buffer(std::string("caf\xE9\0x", 6), true);
    EXPECT_EQ(UnitsOf(buffer), Units({'c', 'a', 'f', 0xE9, 0}));
}

TEST(AnsiWideBuffer, EmptyTextGivesTerminatorOnly) {
    AnsiWideBuffer buffer(std::string_view(), true);
    ASSERT_EQ(buffer.Units().size(), 1u);
    EXPECT_EQ(buffer.CStr()[0], 0);
    AnsiWideBuffer unterminated(std::string_view(), false);
    EXPECT_THROW(unterminated.CStr(), const char*);
}

TEST(AnsiWideBuffer, AssignReplacesUnits) {
    AnsiWideBuffer buffer("abc", true);
    buffer.Assign("d");
    EXPECT_EQ(UnitsOf(buffer), Units({'d', 0}));
}

TEST(AnsiBuffer, UnrepresentableCharacterBecomesQuestionMark) {
    REQUIRE_ANSI_CODE_PAGE(1252);
    AnsiBuffer buffer(u"caf\u00E9\u4E2D", true);
    EXPECT_EQ(buffer.Str(), "caf\xE9?");
}

TEST(AnsiBuffer, NullUnitsGiveEmptyString) {
    AnsiBuffer buffer(nullptr, true);
    EXPECT_EQ(buffer.Str(), "");
}

TEST(CodePage932, ConvertsDoubleByteCharactersBothWays) {
    REQUIRE_ANSI_CODE_PAGE(932);
    AnsiWideBuffer wide(Bytes({0x82, 0xA0, 0x41}), true);
    EXPECT_EQ(UnitsOf(wide), Units({0x3042, 0x41, 0}));
    AnsiBuffer ansi(u"\u3042A", true);
    EXPECT_EQ(Hex(ansi.Str()), Hex(Bytes({0x82, 0xA0, 0x41})));
}

}  // namespace
}  // namespace idxfilter

namespace idxfilter {
namespace {

// The converter skips the conversion of ASCII text to the ANSI code page
// because every ANSI code page keeps ASCII as it is; hold the platform to it.
TEST(AnsiCodePages, KeepAsciiAsItIs) {
    std::u16string units;
    std::string bytes;
    for (int c = 1; c < 0x80; ++c) {
        units += char16_t(c);
        bytes += char(c);
    }
    unsigned original = AnsiCodePage();
    for (unsigned codePage : {874u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u,
                              1256u, 1257u}) {
        if (!SetAnsiCodePage(codePage) && AnsiCodePage() != codePage) continue;
        AnsiBuffer ansi(units.c_str(), true);
        EXPECT_EQ(ansi.Str(), bytes) << codePage;
        AnsiWideBuffer wide(bytes, true);
        EXPECT_EQ(std::u16string(wide.CStr()), units) << codePage;
    }
    SetAnsiCodePage(original);
}

}  // namespace
}  // namespace idxfilter
