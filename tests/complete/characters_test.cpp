// Characters: \uN and its fallback, \upr, escapes in code pages, the
// characters named by control words and symbols.
#include <gtest/gtest.h>

#include "reader_test_support.h"

namespace idxfilter::complete {
namespace {

using testing::CaseName;
using testing::Text;
using testing::TextCase;

class Characters : public ::testing::TestWithParam<TextCase> {};

TEST_P(Characters, GiveTheirText) { EXPECT_EQ(Text(GetParam().rtf), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Unicode, Characters,
    ::testing::Values(
        TextCase{"FallbackSkipped", R"({\rtf1 Stra\u223?e und M\u252?nchen})", "Straße und München"},
        // The blank after \u1090 belongs to the word (LibreOffice agrees).
        TextCase{"NoFallbackWithUc0", R"({\rtf1\uc0 \u1055\u1088\u1080\u1074\u1077\u1090 world})", "Приветworld"},
        TextCase{"NegativeCountsFrom65536", R"({\rtf1 \u-200?})", "\uFF38"},
        TextCase{"SurrogatePairJoined", R"({\rtf1 \u55357?\u56832?})", "\U0001F600"},
        TextCase{"SurrogatePairAcrossGroups", R"({\rtf1 {\u55357?}{\u56832?}})", "\U0001F600"},
        TextCase{"LoneHighSurrogate", R"({\rtf1 a\u55357?b})", "a\uFFFDb"},
        TextCase{"LoneLowSurrogate", R"({\rtf1 a\u56832?b})", "a\uFFFDb"},
        TextCase{"HighThenHigh", R"({\rtf1 \u55357?\u55357?\u56832?})", "\uFFFD\U0001F600"},
        TextCase{"Uc2SkipsTwoEscapes", R"({\rtf1\uc2 \u26085\'93\'fa!})", "日!"},
        TextCase{"ControlWordCountsAsOne", R"({\rtf1 a\u8212\endash b})", "a—b"},
        TextCase{"ControlSymbolCountsAsOne", R"({\rtf1 a\u8212\~b})", "a—b"},
        TextCase{"BinCountsAsOne", "{\\rtf1 a\\u8212\\bin2 xyb}", "a—b"},
        TextCase{"SkipStopsAtGroupEnd", R"({\rtf1\uc3 {\u945?}bc})", "αbc"},
        TextCase{"SkipStopsAtGroupStart", R"({\rtf1\uc3 \u945{b}c})", "αbc"},
        TextCase{"UcScopedToGroup", R"({\rtf1 {\uc0 \u945}\u946?x})", "αβx"},
        TextCase{"HugeUcStopsAtGroupEnd", R"({\rtf1 {\uc2000000000 \u945 never seen}after})", "αafter"},
        TextCase{"UcZeroSkipsNothing", R"({\rtf1\uc0 \u945?})", "α?"},
        TextCase{"ZeroGivesNothing", R"({\rtf1 a\u0?b})", "ab"},
        TextCase{"WithoutParameterIgnored", R"({\rtf1 a\u b})", "ab"},
        TextCase{"AstralValueWritten", R"({\rtf1 \u128512?})", "\U0001F600"},
        TextCase{"UprReadsUdOnly", R"({\rtf1 {\upr{\'c4ansi}{\*\ud{\u1044?}}}end})", "Дend"},
        TextCase{"UprWithoutUd", R"({\rtf1 a{\upr{ansi}}b})", "ab"}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Named, Characters,
    ::testing::Values(
        TextCase{"IssueExample", R"({\rtf1 a\~b infor\-mation non\_breaking \emdash \lquote q\rquote})",
                 "a\u00A0b information non\u2011breaking —‘q’"},
        TextCase{"Dashes", R"({\rtf1 1\endash 2\emdash 3})", "1–2—3"},
        TextCase{"DoubleQuotes", R"({\rtf1 \ldblquote q\rdblquote})", "“q”"},
        TextCase{"Bullet", R"({\rtf1 \bullet x})", "•x"},
        TextCase{"Spaces", R"({\rtf1 a\emspace b\enspace c\qmspace d})", "a\u2003b\u2002c\u2005d"},
        TextCase{"Joiners", R"({\rtf1 a\zwj b\zwnj c})", "a\u200Db\u200Cc"},
        TextCase{"EscapedBracesAndBackslash", R"({\rtf1 \{x\}\\})", "{x}\\"},
        TextCase{"OtherSymbolsShowNothing", R"({\rtf1 a\:b\|c})", "abc"}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    CodePages, Characters,
    ::testing::Values(
        TextCase{"AnsiEscape", R"({\rtf1\ansi caf\'e9 au lait})", "café au lait"},
        TextCase{"RawByte", "{\\rtf1\\ansi caf\xe9}", "café"},
        TextCase{"AnsiCpg", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})", "При"},
        TextCase{"Mac", R"({\rtf1\mac \'8e})", "é"},
        TextCase{"Pc", R"({\rtf1\pc \'82\'9c})", "é£"},
        TextCase{"Pca", R"({\rtf1\pca \'82\'9c})", "é£"},
        TextCase{"DoubleByteEscapesJoined", R"({\rtf1\ansi\ansicpg932 \'93\'fa\'96\'7b})", "日本"},
        TextCase{"DoubleByteSecondByteAsText", R"({\rtf1\ansi\ansicpg932 \'83e\'83X\'83g})", "テスト"},
        TextCase{"DoubleByteSecondByteAsBackslash", R"({\rtf1\ansi\ansicpg932 \'95\\})", "表"},
        TextCase{"DoubleByteAcrossLineEnd", "{\\rtf1\\ansi\\ansicpg932 \\'93\r\n\\'fa}", "日"},
        TextCase{"InvalidByteCostsOneCharacter", R"({\rtf1\ansicpg932 \'93\'fa\'81 x\'96\'7b})", "日\uFFFD x本"},
        TextCase{"LeadByteAtEnd", R"({\rtf1\ansicpg932 \'93\'fa\'93})", "日\uFFFD"},
        TextCase{"ControlEscapesShowNothing", R"({\rtf1 a\'00\'09\'0d\'0ab})", "ab"},
        TextCase{"UnknownAnsiCpgFallsBack", R"({\rtf1\ansi\ansicpg12345 caf\'e9})", "café"}),
    CaseName());

TEST(AnsiCodePage, StandsForAnsiAndForNoDeclaration) {
    EXPECT_EQ(Text(R"({\rtf1\ansi \'cf})", 1251), "П");
    EXPECT_EQ(Text(R"({\rtf1 \'cf})", 1251), "П");
    EXPECT_EQ(Text(R"({\rtf1 \'93\'fa})", 932), "日");
}

TEST(Utf8Input, RawBytesAreUtf8AndEscapesUseTheCodePage) {
    EXPECT_EQ(Text("{\\rtf1 caf\xc3\xa9 \\'e9}", 1252, true), "café é");
    EXPECT_EQ(Text("{\\rtf1\\ansicpg932 \xe6\x97\xa5\\'96\\'7b}", 1252, true), "日本");
    // An escaped lead byte still takes an ASCII second byte.
    EXPECT_EQ(Text("{\\rtf1\\ansicpg932 \\'83e}", 1252, true), "テ");
    // Ill-formed UTF-8 costs one U+FFFD per fault; surrogate forms are faults.
    EXPECT_EQ(Text("{\\rtf1 a\xff" "b\xed\xa0\x80" "c}", 1252, true), "a\uFFFDb\uFFFDc");
    // The fallback of \u skips one character, not one byte.
    EXPECT_EQ(Text("{\\rtf1 \\u945\xc3\xa9x}", 1252, true), "αx");
}

}  // namespace
}  // namespace idxfilter::complete
