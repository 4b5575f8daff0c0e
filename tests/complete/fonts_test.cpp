// Fonts: the font table, the code pages of character sets, the Symbol
// font and pictograph fonts, fonts scoped to groups.
#include <gtest/gtest.h>

#include "complete/charset_code_pages.h"
#include "complete/font_registry.h"
#include "complete/symbol_encoding.h"
#include "reader_test_support.h"

namespace idxfilter::complete {
namespace {

using testing::CaseName;
using testing::Repeat;
using testing::Text;
using testing::TextCase;

class FontTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(FontTexts, DecodeTheirText) { EXPECT_EQ(Text(GetParam().rtf), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    , FontTexts,
    ::testing::Values(
        TextCase{"CharsetOfFont", R"({\rtf1{\fonttbl{\f0 Times;}{\f1\fcharset204 Cyr;}}\f1 \'cf\'f0\'e8})", "При"},
        TextCase{"FontScopedToGroup", R"({\rtf1{\fonttbl{\f0 Times;}{\f1\fcharset204 Cyr;}}\f0 {\f1 \'cf}\'cf})",
                 "ПÏ"},
        TextCase{"DefaultFontBeforeAnyF", R"({\rtf1\deff1{\fonttbl{\f0 A;}{\f1\fcharset204 B;}}\'cf})", "П"},
        TextCase{"FontZeroWithoutDeff", R"({\rtf1{\fonttbl{\f0\fcharset161 G;}}\'e1})", "α"},
        TextCase{"PlainGoesBackToDefault", R"({\rtf1\deff0{\fonttbl{\f0 A;}{\f1\fcharset204 B;}}\f1\plain\'cf})", "Ï"},
        TextCase{"CpgOverridesCharset", R"({\rtf1{\fonttbl{\f1\fcharset0\cpg1253 G;}}\f1\'e1})", "α"},
        TextCase{"CharsetZeroMeansAnsiCpg", R"({\rtf1\ansicpg1251{\fonttbl{\f1\fcharset0 Arial;}}\f1\'cf})", "П"},
        TextCase{"UnknownCharsetMeansAnsiCpg", R"({\rtf1\ansicpg1251{\fonttbl{\f1\fcharset99 X;}}\f1\'cf})", "П"},
        TextCase{"UndefinedFontMeansAnsiCpg", R"({\rtf1\ansicpg1251 \f7\'cf})", "П"},
        TextCase{"TableWithoutEntryGroups", R"({\rtf1{\fonttbl\f0\fswiss Helv;\f1\fcharset204 Cyr;}\f1\'cf})", "П"},
        TextCase{"DoubleByteFont", R"({\rtf1{\fonttbl{\f1\fcharset128 MS Mincho;}}\f1\'93\'fa\'96\'7b})", "日本"},
        TextCase{"DoubleByteRunEndsAtFontChange",
                 R"({\rtf1{\fonttbl{\f0 A;}{\f1\fcharset128 M;}}{\f1\'93\'fa}{\f0\'e9}})", "日é"},
        TextCase{"NamesWithEscapesAndAltNames",
                 R"({\rtf1{\fonttbl{\f1\fcharset128 \'82\'6c\'82\'72 \'96\'be\'92\'a9{\*\falt MS Mincho};}}\f1\'93\'fa})",
                 "日"},
        TextCase{"CharsetWithUnconvertedCodePageKeepsText",
                 R"({\rtf1\ansicpg1252{\fonttbl{\f1\fcharset163 Viet;}}\f1 Vi\'e9t})", "Viét"},
        TextCase{"SymbolByCharset", R"({\rtf1{\fonttbl{\f1\fcharset2 Symbol;}}{\f1 a\'b1b}c})", "α±βc"},
        TextCase{"SymbolByName", R"({\rtf1{\fonttbl{\f1\fcharset0 Symbol;}}\f1 p\'b3})", "π≥"},
        TextCase{"SymbolPrivateUse", R"({\rtf1{\fonttbl{\f1\fcharset2 Symbol;}}\f1\u61537?\u-3867?})", "α∑"},
        TextCase{"SymbolOrdinaryUnicodeKept", R"({\rtf1{\fonttbl{\f1\fcharset2 Symbol;}}\f1\u8364?})", "€"},
        TextCase{"Pictographs",
                 R"({\rtf1{\fonttbl{\f0 Times;}{\f1\fcharset2 Wingdings;}{\f2 Webdings;}{\f3 Zapf Dingbats;}})"
                 R"(\f0 a{\f1 J\'a7\u61548?}{\f2 x}{\f3 y}b})",
                 "ab"},
        TextCase{"PictographOrdinaryUnicodeKept", R"({\rtf1{\fonttbl{\f1\fcharset2 Wingdings;}}\f1\u9679?})", "●"}),
    CaseName());

TEST(Fonts, AMillionFonts) {
    std::string rtf = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 1000000; ++i) rtf += "{\\f" + std::to_string(i) + "\\fcharset" + (i % 2 ? "204" : "0") + " F;}";
    rtf += "}\\f999999\\'cf\\f999998\\'cf\\f5000000\\'cf}";
    EXPECT_EQ(Text(rtf), "ПÏÏ");
}

TEST(Fonts, LargeAndNegativeNumbers) {
    EXPECT_EQ(Text(R"({\rtf1{\fonttbl{\f2000000000\fcharset204 C;}}\f2000000000\'cf})"), "П");
    EXPECT_EQ(Text(R"({\rtf1{\fonttbl{\f-3\fcharset204 C;}}\f0\'cf})"), "П");
}

struct KindCase {
    const char* name;
    int charset;
    FontKind kind;
};

TEST(FontKinds, ByNameAndCharset) {
    const KindCase cases[] = {
        {"Times New Roman", 0, FontKind::kText},   {"Symbol", 0, FontKind::kSymbol},
        {" symbol ", 0, FontKind::kSymbol},        {"Symbolic", 0, FontKind::kText},
        {"OpenSymbol", 2, FontKind::kSymbol},      {"Wingdings", 2, FontKind::kPictograph},
        {"Wingdings 3", 2, FontKind::kPictograph}, {"WEBDINGS", 0, FontKind::kPictograph},
        {"Zapf Dingbats", 0, FontKind::kPictograph}, {"ZapfDingbats", 0, FontKind::kPictograph},
        {"Marlett", 2, FontKind::kPictograph},     {"Arial", 204, FontKind::kText},
    };
    for (const auto& c : cases) EXPECT_EQ(KindOfFont(c.name, c.charset), c.kind) << c.name;
}

TEST(CharsetCodePages, FollowTheRtfTable) {
    const std::pair<int, unsigned> table[] = {
        {0, 0},       {1, 0},       {2, 0},       {77, 10000},  {78, 10001}, {79, 10003}, {80, 10008},
        {81, 10002},  {128, 932},   {129, 949},   {130, 1361},  {134, 936},  {136, 950},  {161, 1253},
        {162, 1254},  {163, 1258},  {177, 1255},  {178, 1256},  {186, 1257}, {204, 1251}, {222, 874},
        {238, 1250},  {254, 437},   {255, 850},   {3, 0},       {-1, 0},     {1000, 0}};
    for (auto [charset, codePage] : table) EXPECT_EQ(CharsetCodePage(charset), codePage) << charset;
}

TEST(SymbolEncoding, KnownBytes) {
    const std::pair<unsigned char, char32_t> table[] = {
        {0x20, U' '},    {0x41, U'Α'},    {0x61, U'α'},    {0x57, U'Ω'},    {0x77, U'ω'},   {0x6D, U'μ'},
        {0x44, U'Δ'},    {0x22, U'∀'},    {0x24, U'∃'},    {0xA5, U'∞'},    {0xB7, U'•'},   {0xD6, U'√'},
        {0xE5, U'∑'},    {0xF2, U'∫'},    {0xAE, U'→'},    {0xC6, U'∅'},    {0xA0, U'€'},   {0x7F, 0},
        {0x80, 0},       {0xF0, 0},       {0xFF, 0},       {0x1F, 0},       {0xFE, U'⎭'}};
    for (auto [byte, c] : table) EXPECT_EQ(SymbolCharacter(byte), c) << int(byte);
}

}  // namespace
}  // namespace idxfilter::complete
