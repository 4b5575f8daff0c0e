// Text decoded in the code page of its font.
#include "rtf/character_decoding.h"

#include <gtest/gtest.h>

#include "platform/code_pages.h"
#include "rtf/percent_decoding.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Bytes;
using testing::Convert;
using testing::Hex;

bool CodePageAvailable(unsigned codePage) {
    return MultiByteToWide(codePage, 0, "a", 1, nullptr, 0) > 0;
}

std::string WithFonts(const std::string& fontTable, const std::string& body) {
    return "{\\rtf1\\ansi{\\fonttbl" + fontTable + "}" + body + "}";
}

struct FontCase {
    const char* name;
    unsigned codePage;  // needed by the case (0: none beyond the ANSI one)
    std::string fonts;
    std::string body;
    std::string text;  // UTF-8
};

void PrintTo(const FontCase& c, std::ostream* os) { *os << c.name; }

class DecodingByFont : public ::testing::TestWithParam<FontCase> {};

TEST_P(DecodingByFont, UsesTheFontsCodePage) {
    const FontCase& c = GetParam();
    if (c.codePage != 0 && !CodePageAvailable(c.codePage))
        GTEST_SKIP() << "code page " << c.codePage << " not available";
    EXPECT_EQ(Hex(Convert(WithFonts(c.fonts, c.body))), Hex(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    , DecodingByFont,
    ::testing::Values(
        FontCase{"Western", 1252, "{\\f0\\fcharset0 Arial;}", "\\f0 \\'e9\\'e8", "\xC3\xA9\xC3\xA8"},
        FontCase{"Cyrillic", 1251, "{\\f1\\fcharset204 Times;}", "\\f1 \\'cf\\'f0\\'e8", "\xD0\x9F\xD1\x80\xD0\xB8"},
        FontCase{"Greek", 1253, "{\\f1\\fcharset161 Times;}", "\\f1 \\'e1", "\xCE\xB1"},
        FontCase{"Japanese", 932, "{\\f1\\fcharset128 MS Mincho;}", "\\f1 \\'82\\'a0", "\xE3\x81\x82"},
        FontCase{"JapaneseEscapeAndPlainByte", 932, "{\\f1\\fcharset128 M;}", "\\f1 \\'83A", "\xE3\x82\xA2"},
        FontCase{"InvalidSequenceDropsWholeRun", 932, "{\\f1\\fcharset128 M;}", "\\f1 ab\\'82\\'a0\\'82!",
                 ""},
        FontCase{"RunsAroundInvalidRunSurvive", 932, "{\\f0\\fcharset0 A;}{\\f1\\fcharset128 M;}",
                 "\\f0 x\\f1 \\'82\\f0 y", "xy"},
        FontCase{"ChineseSimplified", 936, "{\\f1\\fcharset134 SimSun;}", "\\f1 \\'d6\\'d0", "\xE4\xB8\xAD"},
        FontCase{"ChineseTraditional", 950, "{\\f1\\fcharset136 MingLiU;}", "\\f1 \\'a4\\'a4", "\xE4\xB8\xAD"},
        FontCase{"Korean", 949, "{\\f1\\fcharset129 Gulim;}", "\\f1 \\'b0\\'a1", "\xEA\xB0\x80"},
        FontCase{"SymbolFontGivesNothing", 0, "{\\f1\\fcharset2 Symbol;}", "a\\f1 b\\'b7", "a"},
        FontCase{"FontsAlternateInOneGroup", 1251,
                 "{\\f1\\fcharset0 A;}{\\f2\\fcharset204 B;}", "\\f1 \\'e9\\f2 \\'e9\\f1 \\'e9",
                 "\xC3\xA9\xD0\xB9\xC3\xA9"},
        FontCase{"FirstOfTwoEntriesWins", 1250, "{\\f3\\fcharset0 A;}{\\f3\\fcharset238 B;}", "\\f3 \\'e8",
                 "\xC3\xA8"},
        FontCase{"FontKeptAfterGroupEnds", 1251, "{\\f1\\fcharset204 B;}", "{\\f1 \\'e9}\\'e9",
                 "\xD0\xB9\xD0\xB9"},
        // What a font decodes in is worked out once and remembered: these
        // change the table between runs, or alternate fonts whose numbers
        // differ by a multiple of 16.
        FontCase{"LaterTableSetsLastFontsCharset", 1251, "{\\f0\\fcharset0 A;}{\\f1\\fcharset238 B;}",
                 "\\f1 \\'e8{\\fonttbl\\fcharset204}\\f1 \\'e8", "\xC4\x8D\xD0\xB8"},
        FontCase{"LaterTableAddsSelectedFont", 1251, "{\\f1\\fcharset0 A;}",
                 "\\f5 x{\\fonttbl{\\f5\\fcharset204 C;}}\\f5 \\'e9", "x\xD0\xB9"},
        FontCase{"FontNumbersSixteenApart", 1251, "{\\f1\\fcharset0 A;}{\\f17\\fcharset204 B;}",
                 "\\f1 \\'e9\\f17 \\'e9\\f1 \\'e9\\f17 \\'e9", "\xC3\xA9\xD0\xB9\xC3\xA9\xD0\xB9"}),
    [](const auto& info) { return std::string(info.param.name); });

struct AnsiCase {
    const char* name;
    std::string fonts;
    std::string body;
};

void PrintTo(const AnsiCase& c, std::ostream* os) { *os << c.name; }

class DecodingInAnsiCodePage : public ::testing::TestWithParam<AnsiCase> {};

// Text without a usable font is decoded leniently in the ANSI code page.
TEST_P(DecodingInAnsiCodePage, UnderCodePage1252) {
    REQUIRE_ANSI_CODE_PAGE(1252);
    EXPECT_EQ(Convert(WithFonts(GetParam().fonts, GetParam().body)), "caf\xC3\xA9\xE2\x82\xAC");
}

INSTANTIATE_TEST_SUITE_P(
    , DecodingInAnsiCodePage,
    ::testing::Values(AnsiCase{"NoFontSelected", "{\\f0\\fcharset204 A;}", "caf\\'e9\\'80"},
                      AnsiCase{"FontNotInTable", "{\\f0\\fcharset204 A;}", "\\f9 caf\\'e9\\'80"},
                      AnsiCase{"CharsetNotInTable", "{\\f0\\fcharset256 Mac;}", "\\f0 caf\\'e9\\'80"},
                      AnsiCase{"VietnameseCharset", "{\\f0\\fcharset163 Times;}", "\\f0 caf\\'e9\\'80"},
                      AnsiCase{"CharsetOneIsAnsi", "{\\f0\\fcharset1 A;}", "\\f0 caf\\'e9\\'80"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeRun, ConvertsRunsSeparatelyAcrossGroupBoundaries) {
    // The same font on both sides of a nested group gives two runs in two
    // flushes; a DBCS character split across them fails in both.
    if (!CodePageAvailable(932)) GTEST_SKIP();
    std::string text = Convert(WithFonts("{\\f1\\fcharset128 M;}", "\\f1 \\'82{}\\'a0x"));
    EXPECT_EQ(text.find("\xE3\x81\x82"), std::string::npos) << Hex(text);
}

struct PercentCase {
    std::string target;
    std::string decoded;
};

TEST(PercentDecode, FollowsScanfDigitRules) {
    PercentCase cases[] = {
        {"a+b", "a b"},
        {"%41", "A"},
        {"%u00e9", "\xC3\xA9"},
        {"%U00e9", "?0e9"},
        {"%zz", "?"},
        {"%u12zz", Bytes({0x12})},
        {"%u0000", ""},
        {"%00", Bytes({0})},
        {"ab%4", "ab"},
        {"ab%u12", "ab"},
        {"ab%", "ab"},
        {"% 51", Bytes({0x05, '1'})},
        {"%-1", Bytes({0xFF})},
        {"%ud83d", Bytes({0xED, 0xA0, 0xBD})},
        {"%u   41", Bytes({0x04, '1'})},
        {"a%20b+c.html", "a b c.html"},
    };
    for (const PercentCase& c : cases) EXPECT_EQ(Hex(PercentDecode(c.target)), Hex(c.decoded)) << c.target;
}

}  // namespace
}  // namespace idxfilter
