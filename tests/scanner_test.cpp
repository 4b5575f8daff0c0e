// Whole-document behaviour of the scanner: RTF in, plain text out.
#include <gtest/gtest.h>

#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Convert;

struct RtfCase {
    const char* name;
    std::string rtf;
    std::string text;
};

void PrintTo(const RtfCase& c, std::ostream* os) { *os << c.name; }

class Scanning : public ::testing::TestWithParam<RtfCase> {};

TEST_P(Scanning, GivesPlainText) { EXPECT_EQ(Convert(GetParam().rtf), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Recognition, Scanning,
    ::testing::Values(RtfCase{"Empty", "", ""},
                      RtfCase{"SevenBytesAreNotConverted", "{\\rtf1}", "{\\rtf1}"},
                      RtfCase{"UpperCaseIsNotRtf", "{\\RTF1 x}", "{\\RTF1 x}"},
                      RtfCase{"LeadingBlankIsNotRtf", " {\\rtf1 x}", " {\\rtf1 x}"},
                      RtfCase{"ShortestDocument", "{\\rtf1 Hello}", "Hello"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Groups, Scanning,
    ::testing::Values(
        RtfCase{"ParagraphBreak", "{\\rtf1 a\\par b}", "a\r\nb"},
        RtfCase{"BlankAfterGroupIsKept", "{\\rtf1{\\b bold} normal}", "bold normal"},
        RtfCase{"GluedClosingBraceEndsGroup", "{\\rtf1{\\b bold}normal}", "boldnormal"},
        RtfCase{"GluedOpeningBraceOpensGroup", "{\\rtf1 Hello {world} and {more} text}",
                "Hello world and more text"},
        RtfCase{"GluedBracesWithoutBlanks", "{\\rtf1 Hello {world}and {more}text}",
                "Hello worldand moretext"},
        RtfCase{"ExtraClosingBraceEndsScan", "{\\rtf1 a}} b", "a"},
        RtfCase{"TextAfterDocumentGroupIsRead", "{\\rtf1 a} b", "a b"},
        RtfCase{"UnclosedGroupsEndAtEnd", "{\\rtf1 a{\\i b{c", "abc"},
        RtfCase{"RawControlBytesDropped", "{\\rtf1 A\tB\r\nC}", "ABC"},
        RtfCase{"EscapedBraceOpensGroup", "{\\rtf1\\'7bx}", "x"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ControlWords, Scanning,
    ::testing::Values(
        RtfCase{"EscapedSymbols", "{\\rtf1 a\\\\b\\{c\\}d}", "a\\b{c}d"},
        RtfCase{"UnknownWordDropped", "{\\rtf1 a\\b0text b}", "ab"},
        RtfCase{"ControlSymbolsKeepTheWordBehind", "{\\rtf1 a\\~b c\\~ d}", "a~b c~ d"},
        RtfCase{"NonBreakingSpace", "{\\rtf1 Mr.\\~Smith}", "Mr.~Smith"},
        RtfCase{"OptionalHyphen", "{\\rtf1 hyphen\\-ation}", "hyphen-ation"},
        RtfCase{"BreaksAndTabs",
                "{\\rtf1 a\\tab b\\cell c\\row d\\column e\\sect f\\page g\\line h}",
                "a\tb\tc\td\te\r\nf\r\ng\r\nh"},
        RtfCase{"Punctuation", "{\\rtf1 \\bullet\\endash\\emdash\\lquote\\rquote\\ldblquote\\rdblquote}",
                "*--''\"\""},
        RtfCase{"BackslashLineFeedIsParagraph", "{\\rtf1 one\\\ntwo\\\r\nthree}", "one\r\ntwo\r\nthree"},
        RtfCase{"UnicodeEscapeAndFallbackDropped", "{\\rtf1 x\\u8364?y}", "x"},
        RtfCase{"FallbackAfterBlankIsText", "{\\rtf1 x\\u8364 ?y}", "x?y"},
        RtfCase{"ZeroEscapeLeavesItsDigits", "{\\rtf1 x\\'00y}", "x00y"},
        RtfCase{"EmptyEscapeRunDoesNotEndGroup", "{\\rtf1 x{it's}q}", "xsq"},
        RtfCase{"EscapedBackslashWordDropped", "{\\rtf1 x\\'5c\\'41y}", "xy"},
        RtfCase{"ListLevelTextDoesNotEndDocument",
                "{\\rtf1{\\*\\listtable{\\leveltext\\'02\\'00.;}}Body text}", "Body text"},
        RtfCase{"LevelTextOutsideListTable", "{\\rtf1{\\leveltext\\'02\\'00.;}Body}", "\x02" "00.;Body"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Destinations, Scanning,
    ::testing::Values(
        RtfCase{"Picture", "{\\rtf1{\\pict 0102}a}", " [PICTURE] a"},
        RtfCase{"Object", "{\\rtf1 {\\object {\\*\\objdata 01}{\\result {R}}}after}", " [OBJECT] after"},
        RtfCase{"StarredSkipped", "{\\rtf1{\\*\\generator W 1.0;}z}", "z"},
        RtfCase{"Bookmark", "{\\rtf1{\\*\\bkmkstart x} y}", " y"},
        RtfCase{"UnknownStarredIsScanned", "{\\rtf1{\\*\\unknowndest x} y}", "x y"},
        RtfCase{"HtmlTags", "{\\rtf1 {\\*\\htmltag84 <p>}text{\\*\\htmltag0 </p>}}", "text"},
        RtfCase{"ShapeProperty", "{\\rtf1 {\\sp{\\sn fillColor}{\\sv 123}}x}", "x"},
        RtfCase{"ThemeData", "{\\rtf1 {\\*\\themedata 504b0304}x}", "x"},
        RtfCase{"InfoGroup", "{\\rtf1 {\\info{\\title T}{\\author A}{\\subject S}{\\*\\company C}}}", "S"},
        RtfCase{"ListText", "{\\rtf1 {\\pntext 1.\\tab}Item\\par}", "Item\r\n"},
        RtfCase{"ColorTableAndStyles", "{\\rtf1{\\colortbl;\\red0;}{\\stylesheet{\\s0 Normal;}}x}", "x"},
        RtfCase{"UnclosedSkippedGroup", "{\\rtf1 a{\\pict 01", "a [PICTURE] "},
        RtfCase{"StarAtEnd", "{\\rtf1 a\\*", "a"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Scanning, ConvertsTheSameInputTheSameWayTwice) {
    std::string rtf = "{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}}\\f0 x{HYPERLINK \"y\"}}";
    EXPECT_EQ(Convert(rtf), Convert(rtf));
}

TEST(Scanning, TextIsCutAtInvalidUtf8OnlyWhereItIsInvalid) {
    REQUIRE_ANSI_CODE_PAGE(1252);
    // A stray byte is a replacement character, which the ANSI code page
    // shows as "?"; the text after it is kept.
    EXPECT_EQ(Convert("{\\rtf1 ab\x80 cd}"), "ab? cd");
}

TEST(Scanning, CharacterOutsideAnsiCodePageReachesScannerAsDefaultCharacter) {
    REQUIRE_ANSI_CODE_PAGE(1252);
    EXPECT_EQ(Convert("{\\rtf1 \xE4\xB8\xAD!}"), "?!");
}

}  // namespace
}  // namespace idxfilter
